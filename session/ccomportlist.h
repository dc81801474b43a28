#pragma once

#include "serial/comportdiscovery.h"

#include <string>
#include <vector>

namespace vantoro {

// The COM ports a front end offers and the one chosen among them. Both the window and the
// command line choose through it, so a number outside the list is refused the same way.
class CComPortList {
public:
    // The ports of a successful discovery, in its order; nothing is selected yet.
    void Fill(std::vector<ComPortEntry> entries);

    // Swaps in a fresh discovery. The chosen port is in use while it is present, also again
    // when it comes back after a blink; false when it is not there (none is in use then, 0).
    bool Replace(std::vector<ComPortEntry> entries);

    // Position of nPort in the list, -1 when it is not there.
    int IndexOf(int nPort) const;
    // The entry whose number, device node or stable name is strName, with links followed;
    // null when none is.
    const ComPortEntry* FindByDevice(const std::string& strName) const;

    // True when a listed port's device node no longer exists (links followed).
    bool AnyDeviceGone() const;

    // The number must be in the list: its position, now chosen; -1 leaves everything as it was.
    int Select(int nPort);
    // A port the list falls back to while the chosen one is away: in use, not chosen.
    int UseInstead(int nPort);

    const std::vector<ComPortEntry>& Entries() const { return m_entries; }
    int GetPortCount() const { return static_cast<int>(m_entries.size()); }
    // The number in use, 0 while none is.
    int GetPortNumber() const { return m_nPortNumber; }
    // The number a person (or the settings) chose, whether or not it is listed now.
    int GetChosenPortNumber() const { return m_nChosenPort; }

    // The list text of a port: "Com %d - %s", or "Com %d" without a friendly name.
    static std::string EntryText(int nPort, const std::string& strFriendlyName);

private:
    std::vector<ComPortEntry> m_entries;
    int m_nPortNumber = 0;
    int m_nChosenPort = 0;
};

} // namespace vantoro

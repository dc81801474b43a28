#pragma once

#include "catalogue/ctarget.h"
#include "platform/cinstallpath.h"
#include "session/ccomportlist.h"
#include "settings/cappsettings.h"
#include "update/logcategory.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace vantoro {

// What the idle screen shows after a software refresh.
struct CSoftwareRefresh {
    std::vector<std::string> files; // the Software list, in order; entry 0 is pre-selected
    std::string strStatusText;
    std::string strActionText;
    std::string strDirectory; // the Directory field
    bool bReady = false;      // whether Start may be pressed
    // Why the folder gave no files when it could not be read at all ("Cannot read folder
    // /x/: Permission denied"); empty when it was read.
    std::string strFolderProblem;
};

// The choices made before an update, shared by the window and the command line: the catalogue
// and the current platform, the COM port list and its selection, the software refresh and the
// settings file around them. No toolkit: the front ends show what it decides.
class CUpdateSession {
public:
    using LogFunction = std::function<void(LogCategory category, const std::string& strText)>;

    CUpdateSession(std::string strSettingsPath, std::string strInstallIni = kInstallIniPath);

    // Where the session's own log lines ("Com Port %d Selected") go; none by default.
    void SetLogFunction(LogFunction log) { m_log = std::move(log); }

    // The catalogue, built once; the current platform is the first until one is selected.
    std::vector<CTarget>& Targets() { return m_targets; }
    int GetPlatformCount() const { return static_cast<int>(m_targets.size()); }
    int GetPlatformIndex() const { return m_nPlatformIndex; }
    CTarget* GetTarget() { return m_pTarget; }
    const CTarget* GetTarget() const { return m_pTarget; }
    // False, changing nothing, for an index outside the catalogue.
    bool SelectPlatform(int nIndex);
    // The model chosen from the Model list; an explicitly chosen file no longer applies.
    void SelectModel(int nIndex);
    // The text of the current model, as the screen texts name it.
    std::string ModelName() const;
    // Catalogue names as the settings file matches them (byte for byte); -1 when unknown.
    int FindPlatform(const std::string& strName) const;
    int FindModel(const std::string& strName) const; // of the current platform

    // Ports: a successful discovery fills the list; after a failed one it stays empty.
    void FillComPorts(std::vector<ComPortEntry> entries) { m_ports.Fill(std::move(entries)); }
    // A fresh discovery replacing the list. The chosen port is selected while present, and
    // again as soon as it is back; while it is away the first port stands in for it (both
    // logged as any selection), or none when the list is empty. The choice itself stays what
    // the person made. Returns the position of the selected port, -1 when there is none.
    int ReplacePorts(std::vector<ComPortEntry> entries);
    // The number must be a listed port: it becomes the selected one, logged as
    // "Com Port %d Selected", and its position is returned; -1 otherwise, nothing changes.
    int SelectComPort(int nPortNumber);
    // Swaps in a fresh discovery as a window does: the person's choice stays the choice while
    // its port is away (none is in use then, -1) and is in use again when it is back; with no
    // choice yet the first port stands in, as ReplacePorts does.
    int FollowPorts(std::vector<ComPortEntry> entries);
    const CComPortList& Ports() const { return m_ports; }
    int GetPortCount() const { return m_ports.GetPortCount(); }
    int GetPortNumber() const { return m_ports.GetPortNumber(); }
    int GetChosenPortNumber() const { return m_ports.GetChosenPortNumber(); }

    // The software refresh of the current platform: the files offered, the idle Status and
    // Action texts, the directory in use, and whether Start is enabled (files and ports).
    CSoftwareRefresh RefreshSoftware() { return RefreshSoftwareOf(m_pTarget, GetPortCount()); }
    // The same decision for a platform of one's own (a copy that an update unit holds), with
    // nPortCount ports to offer.
    static CSoftwareRefresh RefreshSoftwareOf(CTarget* pTarget, int nPortCount);

    // "LOG" and "LOG_FLAGS", read before the rest.
    CLogSettings ReadLogSettings() const { return m_settings.ReadLogSettings(); }
    // The stored port (through selectComPort, or SelectComPort when none is given), the current
    // platform, the reply time-out and every platform's section.
    void LoadAppSettings(const std::string& strProgramDir,
                         const std::function<void(int)>& selectComPort = nullptr);
    // Writes the selection back with the log state; false when a write failed.
    bool SaveAppSettings(bool bLogEnabled, int nLogFlags) const;
    std::uint32_t GetReplyTimeoutMs() const { return m_settings.GetReplyTimeoutMs(); }
    const std::string& GetSettingsPath() const { return m_settings.GetProfileFile(); }

private:
    void LogSelected(int nPortNumber) const;

    CAppSettings m_settings;
    std::vector<CTarget> m_targets;
    int m_nPlatformIndex = 0;
    CTarget* m_pTarget = nullptr;
    CComPortList m_ports;
    LogFunction m_log;
};

} // namespace vantoro

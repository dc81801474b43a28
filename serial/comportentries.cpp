// The parts of port discovery that every system shares.
#include "serial/comportdiscovery.h"

#include "serial/comportnames.h"

#include <algorithm>
#include <cstdlib>
#include <set>

namespace vantoro {

std::vector<ComPortEntry> NetworkComPortEntries() {
    std::vector<ComPortEntry> entries;
    for (const NetworkComPort& port : ListNetworkComPorts()) {
        entries.push_back({port.nPort, "Network Port (" + port.strName + ")", port.strName});
    }
    return entries;
}

bool ComNumberFromFriendlyName(const std::string& strName, int& nPort) {
    const std::size_t open = strName.rfind('(');
    const std::size_t close = strName.rfind(')');
    // No "(" counts as one before the text, so "COM7)" still reads.
    const long nOpen = open == std::string::npos ? -1 : static_cast<long>(open);
    if (close == std::string::npos || static_cast<long>(close) < nOpen + 4)
        return false;
    const std::string inside = strName.substr(static_cast<std::size_t>(nOpen + 1),
                                              close - static_cast<std::size_t>(nOpen + 1));
    nPort = std::atoi(inside.c_str() + 3);
    return true;
}

std::vector<ComPortEntry> MergeComPortEntries(const std::vector<ComPortEntry>& preferred,
                                              const std::vector<ComPortEntry>& others) {
    std::vector<ComPortEntry> merged;
    std::set<int> taken;
    for (const auto* list : {&preferred, &others}) {
        for (const ComPortEntry& entry : *list) {
            if (taken.insert(entry.nPort).second)
                merged.push_back(entry);
        }
    }
    std::stable_sort(
        merged.begin(), merged.end(),
        [](const ComPortEntry& a, const ComPortEntry& b) { return a.nPort < b.nPort; });
    return merged;
}

bool DiscoverComPorts(std::vector<int>& ports, std::vector<std::string>& names) {
    std::vector<ComPortEntry> entries;
    const bool ok = DiscoverComPortEntries(entries);
    for (const ComPortEntry& entry : entries) {
        ports.push_back(entry.nPort);
        names.push_back(entry.strFriendlyName);
    }
    return ok;
}

} // namespace vantoro

#pragma once

#include <string>
#include <vector>

namespace vantoro {

// A process that has a device open.
struct PortHolder {
    int nPid = 0;
    std::string strProgram; // its command name, as ps shows it
};

// The other processes that have strNode's device open, found as fuser finds them (every
// descriptor under /proc/PID/fd that reaches the same device); this process is left out, and
// so are processes whose descriptors may not be looked at. A terminal program that took no lock
// still holds the port this way, and would read what the equipment says.
std::vector<PortHolder> FindOtherOpeners(const std::string& strNode,
                                         const std::string& strProcFolder = "/proc");

// "minicom (process 1234)", several joined by ", ".
std::string PortHoldersText(const std::vector<PortHolder>& holders);

// The command name of a process, "process" when it cannot be read.
std::string ProgramNameOf(int nPid, const std::string& strProcFolder = "/proc");

} // namespace vantoro

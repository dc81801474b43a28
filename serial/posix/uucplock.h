#pragma once

#include <string>

namespace vantoro {

// The lock file that terminal programs (minicom, screen, cu) look for before they open a serial
// port: LCK..ttyUSB0 in the system's lock folder, holding the owner's process id as ten
// characters and a line feed. flock alone is honoured only by programs that ask for it.
constexpr const char* kUucpLockFolder = "/run/lock";

// The path of strNode's lock file: the part after /dev/ with any further '/' as '_'.
std::string UucpLockPath(const std::string& strNode, const std::string& strFolder);

// The live process, other than this one, whose lock file names the device; 0 when there is none.
// A lock file left by a process that is gone is removed, as the programs that honour it do.
int UucpLockHolder(const std::string& strNode, const std::string& strFolder = kUucpLockFolder);

// Writes this process's lock file for the device. False when another live process holds it;
// a folder this user may not write to leaves the device unlocked this way (true), as flock
// still guards it.
bool TakeUucpLock(const std::string& strNode, const std::string& strFolder = kUucpLockFolder);

// Removes the lock file if it is this process's.
void ReleaseUucpLock(const std::string& strNode, const std::string& strFolder = kUucpLockFolder);

} // namespace vantoro

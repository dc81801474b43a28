#pragma once

#include <string>
#include <sys/types.h>

// Files that must be what they claim: a code file, a settings file or a report that turns out to
// be a FIFO, a device or a directory would block or read without end, so they are looked at
// before they are used.
namespace vantoro {

// A file's kind as a message names it: "a regular file", "a directory", "a FIFO" ...
std::string FileKindText(mode_t nMode);

// Opens strPath (nFlags as for open; O_NONBLOCK and O_CLOEXEC are added) only when it is a
// regular file, so a FIFO or a device never blocks the open; the descriptor is then blocking
// again. -1 with strWhy saying what it is instead ("it is a FIFO") or why it could not be opened
// (the system's reason).
int OpenRegularFile(const std::string& strPath, int nFlags, std::string& strWhy,
                    mode_t nCreateMode = 0644);

} // namespace vantoro

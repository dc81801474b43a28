#pragma once

#include <cstdint>
#include <string>

namespace vantoro {

// An exclusive advisory lock for as long as the object lives: on a folder, or on a lock
// file that is created when missing. Programs that change one file in turns (the window, any
// number of command lines) each hold it around their read-decide-write. Where the lock cannot
// be had (a read-only folder, say) IsHeld is false and the caller goes on without it: such a
// place cannot be written anyway.
class CFileLock {
public:
    // bCreate: strPath is a lock file to create when missing; otherwise it must exist (a folder).
    explicit CFileLock(const std::string& strPath, bool bCreate = true);
    ~CFileLock();
    CFileLock(const CFileLock&) = delete;
    CFileLock& operator=(const CFileLock&) = delete;

    bool IsHeld() const { return m_bHeld; }

private:
    std::intptr_t m_nHandle = -1; // a descriptor, or a Windows handle
    bool m_bHeld = false;
};

} // namespace vantoro

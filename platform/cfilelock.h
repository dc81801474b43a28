#pragma once

#include <cstdint>
#include <string>

namespace vantoro {

// An exclusive advisory lock for as long as the object lives: on a folder, or on a lock
// file that is created when missing. Programs that change one file in turns (the window, any
// number of command lines) each hold it around their read-decide-write. Where the lock cannot
// be had (a read-only folder, say) IsHeld is false and the caller goes on without it: such a
// place cannot be written anyway. A holder that keeps it (a program stopped with Ctrl-Z
// half-way) is waited for a bounded time only, and not again for a while in the same process;
// IsHeldElsewhere then tells the caller to go on without changing what the lock guards, and
// Problem says why for the user.
class CFileLock {
public:
    static constexpr int kDefaultWaitMs = 2000;

    // bCreate: strPath is a lock file to create when missing; otherwise it must exist (a folder).
    explicit CFileLock(const std::string& strPath, bool bCreate = true,
                       int nWaitMs = kDefaultWaitMs);
    ~CFileLock();
    CFileLock(const CFileLock&) = delete;
    CFileLock& operator=(const CFileLock&) = delete;

    bool IsHeld() const { return m_bHeld; }
    bool IsHeldElsewhere() const { return m_bHeldElsewhere; }
    // Empty while held; otherwise a sentence naming the lock and what kept it.
    const std::string& Problem() const { return m_strProblem; }

private:
    std::intptr_t m_nHandle = -1; // a descriptor, or a Windows handle
    bool m_bHeld = false;
    bool m_bHeldElsewhere = false;
    std::string m_strProblem;
};

} // namespace vantoro

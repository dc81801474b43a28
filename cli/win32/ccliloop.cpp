#include "cli/ccliloop.h"

#include <atomic>
#include <chrono>

#include <windows.h>

namespace vantoro {

namespace {

// The hang-up number, as a terminal closed under a program gives it on Linux: the exit status
// of a run ended so is the same on both systems.
constexpr int kHangUp = 1;
constexpr int kInterrupt = 2;
// Windows ends the process once the handler of a closing console returns, or after about five
// seconds: the run gets most of that to cancel its units and let their ports go.
constexpr DWORD kCloseGraceMs = 4500;

// The console's control handler runs on a thread of its own, outside any object.
std::atomic<int> g_nSignal{0};
std::atomic<PSRWLOCK> g_pLock{nullptr};
std::atomic<PCONDITION_VARIABLE> g_pPosted{nullptr};
HANDLE g_hLoopGone = nullptr;

// Taking the lock once between the signal's store and the wake-up means a waiter that has just
// found no signal is asleep before it is woken, so the wake-up is never lost.
void WakeLoop(PSRWLOCK pLock, PCONDITION_VARIABLE pPosted) {
    ::AcquireSRWLockExclusive(pLock);
    ::ReleaseSRWLockExclusive(pLock);
    ::WakeAllConditionVariable(pPosted);
}

BOOL WINAPI OnConsoleControl(DWORD nEvent) {
    const bool bClosing =
        nEvent == CTRL_CLOSE_EVENT || nEvent == CTRL_LOGOFF_EVENT || nEvent == CTRL_SHUTDOWN_EVENT;
    int nNone = 0;
    g_nSignal.compare_exchange_strong(nNone, bClosing ? kHangUp : kInterrupt);
    PSRWLOCK pLock = g_pLock.load();
    PCONDITION_VARIABLE pPosted = g_pPosted.load();
    if (pLock != nullptr && pPosted != nullptr)
        WakeLoop(pLock, pPosted);
    if (bClosing && g_hLoopGone != nullptr)
        ::WaitForSingleObject(g_hLoopGone, kCloseGraceMs);
    return TRUE;
}

PSRWLOCK LockIn(void*& pStorage) {
    static_assert(sizeof(SRWLOCK) == sizeof(void*));
    return reinterpret_cast<PSRWLOCK>(&pStorage);
}

PCONDITION_VARIABLE ConditionIn(void*& pStorage) {
    static_assert(sizeof(CONDITION_VARIABLE) == sizeof(void*));
    return reinterpret_cast<PCONDITION_VARIABLE>(&pStorage);
}

} // namespace

CCliLoop::CCliLoop() {
    g_nSignal = 0;
    g_pLock = LockIn(m_pLock);
    g_pPosted = ConditionIn(m_pPosted);
    if (g_hLoopGone == nullptr)
        g_hLoopGone = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ::ResetEvent(g_hLoopGone);
    ::SetConsoleCtrlHandler(OnConsoleControl, TRUE);
}

CCliLoop::~CCliLoop() {
    // Ctrl-C from now on ends the program as it would have without the loop.
    ::SetConsoleCtrlHandler(OnConsoleControl, FALSE);
    g_pLock = nullptr;
    g_pPosted = nullptr;
    ::SetEvent(g_hLoopGone); // a closing console may end the process now
}

void CCliLoop::Post(int nUnit, std::uintptr_t wParam, std::intptr_t lParam) {
    ::AcquireSRWLockExclusive(LockIn(m_pLock));
    m_queue.push_back({nUnit, wParam, lParam});
    ::ReleaseSRWLockExclusive(LockIn(m_pLock));
    // Woken after the lock is let go, so the loop does not wake only to wait for it.
    ::WakeConditionVariable(ConditionIn(m_pPosted));
}

bool CCliLoop::Wait(int nMillis, std::vector<Notification>& out) {
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(nMillis > 0 ? nMillis : 0);
    ::AcquireSRWLockExclusive(LockIn(m_pLock));
    while (m_queue.empty() && g_nSignal == 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            break;
        // Woken early for no reason at times: the loop looks again and sleeps what is left.
        ::SleepConditionVariableSRW(ConditionIn(m_pPosted), LockIn(m_pLock),
                                    static_cast<DWORD>(left.count()), 0);
    }
    if (m_nSignal == 0)
        m_nSignal = g_nSignal;
    out.insert(out.end(), m_queue.begin(), m_queue.end());
    m_queue.clear();
    ::ReleaseSRWLockExclusive(LockIn(m_pLock));
    return m_nSignal != 0;
}

} // namespace vantoro

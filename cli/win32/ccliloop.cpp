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
std::mutex* g_pMutex = nullptr;
std::condition_variable* g_pPosted = nullptr;
HANDLE g_hLoopGone = nullptr;

BOOL WINAPI OnConsoleControl(DWORD nEvent) {
    const bool bClosing =
        nEvent == CTRL_CLOSE_EVENT || nEvent == CTRL_LOGOFF_EVENT || nEvent == CTRL_SHUTDOWN_EVENT;
    int nNone = 0;
    g_nSignal.compare_exchange_strong(nNone, bClosing ? kHangUp : kInterrupt);
    if (g_pMutex != nullptr) {
        std::lock_guard<std::mutex> lock(*g_pMutex);
        g_pPosted->notify_all();
    }
    if (bClosing && g_hLoopGone != nullptr)
        ::WaitForSingleObject(g_hLoopGone, kCloseGraceMs);
    return TRUE;
}

} // namespace

CCliLoop::CCliLoop() {
    g_nSignal = 0;
    g_pMutex = &m_mutex;
    g_pPosted = &m_posted;
    if (g_hLoopGone == nullptr)
        g_hLoopGone = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ::ResetEvent(g_hLoopGone);
    ::SetConsoleCtrlHandler(OnConsoleControl, TRUE);
}

CCliLoop::~CCliLoop() {
    // Ctrl-C from now on ends the program as it would have without the loop.
    ::SetConsoleCtrlHandler(OnConsoleControl, FALSE);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        g_pMutex = nullptr;
        g_pPosted = nullptr;
    }
    ::SetEvent(g_hLoopGone); // a closing console may end the process now
}

void CCliLoop::Post(int nUnit, std::uintptr_t wParam, std::intptr_t lParam) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_queue.push_back({nUnit, wParam, lParam});
    m_posted.notify_one();
}

bool CCliLoop::Wait(int nMillis, std::vector<Notification>& out) {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_posted.wait_for(lock, std::chrono::milliseconds(nMillis > 0 ? nMillis : 0),
                      [this] { return !m_queue.empty() || g_nSignal != 0; });
    if (m_nSignal == 0)
        m_nSignal = g_nSignal;
    out.insert(out.end(), m_queue.begin(), m_queue.end());
    m_queue.clear();
    return m_nSignal != 0;
}

} // namespace vantoro

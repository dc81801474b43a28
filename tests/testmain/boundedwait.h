#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

// Bounded waits for tests that wait on a port, a process or the network: each fails by its own
// limit in seconds and says what did not happen, long before the test runner's time-out would.

// Ends the test program when the scope it guards is not left within nSeconds, saying what did
// not happen. A call stuck in the kernel cannot be interrupted and still uses the test's
// objects, so nothing can safely go on; the runner's own time-out would only say so minutes
// later, and without naming the step. Works for calls that must stay on the test's thread (a
// window's), which is why it watches from beside instead of moving the call away.
class CWatchdog {
public:
    CWatchdog(int nSeconds, std::string strWhat)
        : m_thread([this, nSeconds, strWhat = std::move(strWhat)] {
              std::unique_lock<std::mutex> lock(m_mutex);
              if (m_done.wait_for(lock, std::chrono::seconds(nSeconds), [this] { return m_bLeft; }))
                  return;
              ADD_FAILURE() << strWhat << " did not happen within " << nSeconds << " s";
              std::fflush(stdout);
              std::fflush(stderr);
              std::_Exit(1);
          }) {}
    ~CWatchdog() {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_bLeft = true;
        }
        m_done.notify_one();
        m_thread.join();
    }
    CWatchdog(const CWatchdog&) = delete;
    CWatchdog& operator=(const CWatchdog&) = delete;

private:
    std::mutex m_mutex;
    std::condition_variable m_done;
    bool m_bLeft = false;
    std::thread m_thread; // last: it starts once the members it reads exist
};

// Waits, in small steps, until a condition holds or the limit passes; true when it held.
template <typename Condition> bool WaitUntil(Condition condition, int nLimitMs = 3000) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(nLimitMs);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

// Runs a call that could block for ever and gives it nSeconds; see CWatchdog.
template <typename Call> void FinishWithin(int nSeconds, const std::string& strWhat, Call call) {
    CWatchdog watchdog(nSeconds, strWhat);
    call();
}

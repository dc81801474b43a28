#pragma once

#include "serial/cnetworkline.h"

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace vantoro {

// Checks a network port on a thread of its own, so that the window's thread or the cli's loop
// stays free while a slow or hostile server takes its time. What it finds becomes the answer of
// the port's next ProbePort and open on any thread: the kept connection, or the failure. Going
// out of scope first gives the attempt up; the thread is joined within about 50 ms.
class CNetworkConnector {
public:
    // onDone, if given, is called once on the worker thread when the check has finished (not
    // when it was given up), for a front end to post itself a wake-up.
    explicit CNetworkConnector(std::string strName, std::function<void()> onDone = {});
    ~CNetworkConnector();
    CNetworkConnector(const CNetworkConnector&) = delete;
    CNetworkConnector& operator=(const CNetworkConnector&) = delete;

    bool IsDone() const { return m_bDone.load(); }
    // Waits at most nMillis for the check; true once it has finished and onDone has returned.
    bool WaitDone(int nMillis);
    // Once done: what the check found (nCheck is a PortCheckResult).
    CNetworkLine::Outcome Result() const;

private:
    void Run();

    std::string m_strName;
    std::function<void()> m_onDone;
    std::atomic<bool> m_bAbandon{false};
    std::atomic<bool> m_bDone{false};
    bool m_bTold = false; // onDone has returned (under m_mutex)
    mutable std::mutex m_mutex;
    std::condition_variable m_doneChanged;
    CNetworkLine::Outcome m_outcome;
    std::thread m_thread;
};

} // namespace vantoro

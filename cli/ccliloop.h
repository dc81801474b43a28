#pragma once

#include <cstdint>
#include <deque>
#include <mutex>
#include <vector>

namespace vantoro {

// The command line's main-thread loop: serial notifications that listener threads post for
// any unit, and the signals that interrupt a run (Ctrl-C, SIGTERM, SIGHUP, unless ignored when
// the program started), both waited for in one poll. Listener threads only post; everything else
// happens on the thread that waits.
class CCliLoop {
public:
    struct Notification {
        int nUnit = 0;
        std::uintptr_t wParam = 0;
        std::intptr_t lParam = 0;
    };

    // Blocks the interrupting signals in the calling thread, so threads started later leave
    // them to the loop (on Windows: takes over Ctrl-C, Ctrl-Break and the console's closing).
    // Construct it before any listener thread exists.
    CCliLoop();
    ~CCliLoop();
    CCliLoop(const CCliLoop&) = delete;
    CCliLoop& operator=(const CCliLoop&) = delete;

    // From any thread: queues a notification and wakes the loop. Never blocks for long.
    void Post(int nUnit, std::uintptr_t wParam, std::intptr_t lParam);

    // Waits up to nMillis for notifications or a signal, then moves every queued notification
    // into out (in order). Returns true once an interrupting signal has arrived.
    bool Wait(int nMillis, std::vector<Notification>& out);

    bool IsInterrupted() const { return m_nSignal != 0; }
    // The first interrupting signal that arrived (SIGINT, SIGTERM or SIGHUP), 0 before any.
    // On Windows Ctrl-C and Ctrl-Break count as SIGINT, a console closed or a session ending
    // as SIGHUP.
    int InterruptSignal() const { return m_nSignal; }

private:
    std::deque<Notification> m_queue;
    int m_nSignal = 0;

    // How Post wakes the waiting thread on the system built for, from cli/posix/ or cli/win32/
    // (the build puts the right one on the include path).
#include "ccliloopmembers.h"
};

} // namespace vantoro

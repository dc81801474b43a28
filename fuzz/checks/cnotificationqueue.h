#pragma once

#include "serial/iserialmessagesink.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>

namespace vantoro {

// The listener thread's notifications, held until the checking thread hands them to the engine
// the way a window's message loop would.
class CNotificationQueue : public ISerialMessageSink {
public:
    void PostSerialMessage(std::uint32_t nMessage, std::uintptr_t wParam,
                           std::intptr_t lParam) override;

    // The oldest notification, waiting at most nMillis for one; false when none came.
    bool Take(std::uintptr_t& wParam, int nMillis);
    void Clear();

private:
    std::mutex m_mutex;
    std::condition_variable m_ready;
    std::deque<std::uintptr_t> m_queue;
};

} // namespace vantoro

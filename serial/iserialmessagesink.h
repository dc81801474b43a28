#pragma once

#include <cstdint>

namespace vantoro {

// Receiver of the serial listener's notifications, standing in for the window a message is
// posted to. The listener thread calls it, so implementations must be thread-safe and must not
// block (the Qt front end posts an event, tests append to a locked queue).
class ISerialMessageSink {
public:
    virtual ~ISerialMessageSink() = default;
    virtual void PostSerialMessage(std::uint32_t nMessage, std::uintptr_t wParam,
                                   std::intptr_t lParam) = 0;
};

} // namespace vantoro

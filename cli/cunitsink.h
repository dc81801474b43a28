#pragma once

#include "serial/iserialmessagesink.h"

namespace vantoro {

class CCliLoop;

// One unit's listener posts here; the notification reaches the loop tagged with the unit, so
// each engine is handed only what its own port raised.
class CUnitSink : public ISerialMessageSink {
public:
    // Registers the port's message number here, on the main thread, before a listener asks.
    CUnitSink(CCliLoop& loop, int nUnit);
    void PostSerialMessage(std::uint32_t nMessage, std::uintptr_t wParam,
                           std::intptr_t lParam) override;

private:
    CCliLoop& m_loop;
    int m_nUnit;
};

} // namespace vantoro

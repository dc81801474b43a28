#include "cli/cunitsink.h"

#include "cli/ccliloop.h"
#include "serial/serialtypes.h"

namespace vantoro {

CUnitSink::CUnitSink(CCliLoop& loop, int nUnit) : m_loop(loop), m_nUnit(nUnit) {
    SerialDefaultComMessage();
}

void CUnitSink::PostSerialMessage(std::uint32_t nMessage, std::uintptr_t wParam,
                                  std::intptr_t lParam) {
    // Only the port's own notification drives the engine, as in the window.
    if (nMessage == SerialDefaultComMessage())
        m_loop.Post(m_nUnit, wParam, lParam);
}

} // namespace vantoro

#include "serial/win32/csocketevent.h"

#include "serial/win32/windowsapi.h" // last: see there

namespace vantoro {

CSocketEvent::CSocketEvent() : m_hEvent(::CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}

CSocketEvent::~CSocketEvent() {
    if (m_hEvent != nullptr)
        ::CloseHandle(m_hEvent);
}

void CSocketEvent::Reset() {
    if (m_hEvent != nullptr)
        ::ResetEvent(m_hEvent);
}

} // namespace vantoro

#include "serial/cserialevent.h"

#include "serial/serialtypes.h"

#include "serial/win32/windowsapi.h" // last: see there

namespace vantoro {

namespace {

HANDLE Handle(std::intptr_t nNative) {
    return reinterpret_cast<HANDLE>(nNative);
}

} // namespace

// Manual reset, not signalled; no handle is -1 here as on Linux, not Windows' null.
CSerialEvent::CSerialEvent() {
    HANDLE hEvent = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    m_nNative = hEvent ? reinterpret_cast<std::intptr_t>(hEvent) : -1;
}

CSerialEvent::~CSerialEvent() {
    if (IsValid())
        ::CloseHandle(Handle(m_nNative));
}

bool CSerialEvent::IsValid() const {
    return m_nNative != -1;
}

void CSerialEvent::Set() {
    if (IsValid())
        ::SetEvent(Handle(m_nNative));
}

void CSerialEvent::Reset() {
    if (IsValid())
        ::ResetEvent(Handle(m_nNative));
}

bool CSerialEvent::IsSignalled() const {
    return Wait(0);
}

bool CSerialEvent::Wait(std::uint32_t nTimeout) const {
    return IsValid() && ::WaitForSingleObject(Handle(m_nNative), nTimeout) == WAIT_OBJECT_0;
}

} // namespace vantoro

#include "serial/cserialwndadapter.h"

namespace vantoro {

CSerialWndAdapter::~CSerialWndAdapter() {
    // Stops the listener while the whole object still exists; it calls overridable operations.
    if (IsListening())
        ClosePort();
}

std::uint32_t CSerialWndAdapter::OpenForWindowObject(const char* pszDevice,
                                                     ISerialMessageSink* pWindow,
                                                     std::uint32_t nMessage,
                                                     std::int32_t nUserValue) {
    return OpenForWindow(pszDevice, pWindow, nMessage, nUserValue);
}

} // namespace vantoro

#pragma once

#include "serial/cserialwnd.h"

namespace vantoro {

// The serial port object the main window holds: opens for a window object rather than a handle.
class CSerialWndAdapter : public CSerialWnd {
public:
    CSerialWndAdapter() = default;
    ~CSerialWndAdapter() override;

    // A null window object opens and listens; its notifications reach nobody.
    virtual std::uint32_t OpenForWindowObject(const char* pszDevice, ISerialMessageSink* pWindow,
                                              std::uint32_t nMessage, std::int32_t nUserValue);
};

} // namespace vantoro

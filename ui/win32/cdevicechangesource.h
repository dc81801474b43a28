#pragma once

#include <QAbstractNativeEventFilter>

#include "ui/cportchangesource.h"

namespace vantoro {

// Port hints on Windows: the device-change broadcasts every top-level window receives when a
// port (or any device node) arrives or leaves. Windows numbers its ports itself, so there is
// no folder of links to watch.
class CDeviceChangeSource : public CPortChangeSource, public QAbstractNativeEventFilter {
public:
    explicit CDeviceChangeSource(HintFunction fnHint);
    ~CDeviceChangeSource() override;

    bool nativeEventFilter(const QByteArray& eventType, void* pMessage, qintptr* pResult) override;

    // Whether a WM_DEVICECHANGE with this event code can change the list of ports.
    static bool IsPortChange(unsigned int nEvent, const void* pHeader);
};

} // namespace vantoro

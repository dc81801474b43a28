#include "ui/win32/cdevicechangesource.h"

#include <QCoreApplication>

#include <windows.h>

#include <dbt.h>

namespace vantoro {

std::unique_ptr<CPortChangeSource> CPortChangeSource::Create(const QString&, HintFunction fnHint) {
    return std::make_unique<CDeviceChangeSource>(std::move(fnHint));
}

CDeviceChangeSource::CDeviceChangeSource(HintFunction fnHint)
    : CPortChangeSource(std::move(fnHint)) {
    if (QCoreApplication* pApp = QCoreApplication::instance())
        pApp->installNativeEventFilter(this);
}

CDeviceChangeSource::~CDeviceChangeSource() {
    if (QCoreApplication* pApp = QCoreApplication::instance())
        pApp->removeNativeEventFilter(this);
}

bool CDeviceChangeSource::IsPortChange(unsigned int nEvent, const void* pHeader) {
    // A port's own arrival and removal name it; an adapter whose driver sends no port event
    // still changes the device tree.
    if (nEvent == DBT_DEVNODES_CHANGED)
        return true;
    if (nEvent != DBT_DEVICEARRIVAL && nEvent != DBT_DEVICEREMOVECOMPLETE)
        return false;
    const auto* pBroadcast = static_cast<const DEV_BROADCAST_HDR*>(pHeader);
    return pBroadcast && (pBroadcast->dbch_devicetype == DBT_DEVTYP_PORT ||
                          pBroadcast->dbch_devicetype == DBT_DEVTYP_DEVICEINTERFACE);
}

bool CDeviceChangeSource::nativeEventFilter(const QByteArray& eventType, void* pMessage, qintptr*) {
    if (eventType != "windows_generic_MSG" || !pMessage)
        return false;
    const MSG* pMsg = static_cast<const MSG*>(pMessage);
    if (pMsg->message == WM_DEVICECHANGE &&
        IsPortChange(static_cast<unsigned int>(pMsg->wParam),
                     reinterpret_cast<const void*>(pMsg->lParam)))
        Hint();
    return false; // other parts of the program may want the message too
}

} // namespace vantoro

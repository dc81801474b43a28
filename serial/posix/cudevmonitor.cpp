#include "serial/posix/cudevmonitor.h"

#include <cstring>
#include <libudev.h>

namespace vantoro {

struct CUdevMonitor::State {
    udev* pContext = nullptr;
    udev_monitor* pMonitor = nullptr;
};

CUdevMonitor::CUdevMonitor() : m_pState(std::make_unique<State>()) {
    m_pState->pContext = udev_new();
    if (!m_pState->pContext)
        return;
    // "udev" rather than "kernel": the announcement comes after udev made the by-id links, which
    // the port numbering reads.
    udev_monitor* pMonitor = udev_monitor_new_from_netlink(m_pState->pContext, "udev");
    if (pMonitor &&
        udev_monitor_filter_add_match_subsystem_devtype(pMonitor, "tty", nullptr) >= 0 &&
        udev_monitor_enable_receiving(pMonitor) >= 0) {
        m_pState->pMonitor = pMonitor;
    } else if (pMonitor) {
        udev_monitor_unref(pMonitor);
    }
}

CUdevMonitor::~CUdevMonitor() {
    if (m_pState->pMonitor)
        udev_monitor_unref(m_pState->pMonitor);
    if (m_pState->pContext)
        udev_unref(m_pState->pContext);
}

bool CUdevMonitor::IsValid() const {
    return m_pState->pMonitor != nullptr;
}

int CUdevMonitor::Fd() const {
    return m_pState->pMonitor ? udev_monitor_get_fd(m_pState->pMonitor) : -1;
}

bool CUdevMonitor::TakeTtyChanges() {
    if (!m_pState->pMonitor)
        return false;
    bool changed = false;
    // The monitor's socket is non-blocking: this ends when nothing more waits.
    while (udev_device* device = udev_monitor_receive_device(m_pState->pMonitor)) {
        const char* action = udev_device_get_action(device);
        if (action && (!std::strcmp(action, "add") || !std::strcmp(action, "remove") ||
                       !std::strcmp(action, "move")))
            changed = true;
        udev_device_unref(device);
    }
    return changed;
}

} // namespace vantoro

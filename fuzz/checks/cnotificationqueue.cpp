#include "fuzz/checks/cnotificationqueue.h"

#include <chrono>

namespace vantoro {

void CNotificationQueue::PostSerialMessage(std::uint32_t, std::uintptr_t wParam, std::intptr_t) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_queue.push_back(wParam);
    }
    m_ready.notify_one();
}

bool CNotificationQueue::Take(std::uintptr_t& wParam, int nMillis) {
    std::unique_lock<std::mutex> lock(m_mutex);
    if (!m_ready.wait_for(lock, std::chrono::milliseconds(nMillis),
                          [this] { return !m_queue.empty(); })) {
        return false;
    }
    wParam = m_queue.front();
    m_queue.pop_front();
    return true;
}

void CNotificationQueue::Clear() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_queue.clear();
}

} // namespace vantoro

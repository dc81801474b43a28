#include "serial/cnetworkconnector.h"

#include "serial/serialtypes.h"

#include <chrono>

namespace vantoro {

CNetworkConnector::CNetworkConnector(std::string strName, std::function<void()> onDone)
    : m_strName(std::move(strName)), m_onDone(std::move(onDone)) {
    m_thread = std::thread([this] { Run(); });
}

CNetworkConnector::~CNetworkConnector() {
    m_bAbandon.store(true);
    m_thread.join();
}

void CNetworkConnector::Run() {
    CNetworkLine::Outcome outcome;
    outcome.nCheck =
        CNetworkLine::Probe(m_strName, &outcome.nError, &outcome.strCause, &m_bAbandon);
    if (m_bAbandon.load())
        return; // nobody waits for the answer: a later check asks the server afresh
    if (outcome.nCheck != PortAvailable)
        CNetworkLine::ParkFailure(m_strName, outcome);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_outcome = outcome;
        m_bDone.store(true);
    }
    if (m_onDone)
        m_onDone(); // after IsDone turns true, so the front end it wakes finds the answer
    {
        // A waiter is let go only once the front end has been told as well.
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bTold = true;
    }
    m_doneChanged.notify_all();
}

bool CNetworkConnector::WaitDone(int nMillis) {
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_doneChanged.wait_for(lock, std::chrono::milliseconds(nMillis),
                                  [this] { return m_bTold; });
}

CNetworkLine::Outcome CNetworkConnector::Result() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_outcome;
}

} // namespace vantoro

#include "cli/cclistream.h"

#include <cerrno>

namespace vantoro {

CCliStream::CCliStream(std::FILE* pOut, std::size_t nLimit) : m_pOut(pOut), m_nLimit(nLimit) {}

CCliStream::~CCliStream() {
    Finish();
}

bool CCliStream::Write(const std::string& strText, bool bDroppable) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_bStop)
        return false;
    if (bDroppable && m_strQueued.size() + m_nInFlight + strText.size() > m_nLimit) {
        ++m_nDropped;
        return false;
    }
    // Once a write has failed nothing more can reach the reader; the texts are taken and lost
    // as the failed one was, and the error is reported at the end.
    if (m_nError == 0)
        m_strQueued += strText;
    if (!m_writer.joinable())
        m_writer = std::thread([this] { WriteAll(); });
    m_wake.notify_one();
    return true;
}

bool CCliStream::IsIdle() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_strQueued.empty() && m_nInFlight == 0;
}

std::size_t CCliStream::TakeDropped() {
    std::lock_guard<std::mutex> lock(m_mutex);
    const std::size_t nDropped = m_nDropped;
    m_nDropped = 0;
    return nDropped;
}

void CCliStream::WriteAll() {
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_bStop || !m_strQueued.empty(); });
        if (m_strQueued.empty())
            return;
        std::string strChunk;
        strChunk.swap(m_strQueued);
        m_nInFlight = strChunk.size();
        lock.unlock();
        errno = 0;
        const bool bWritten =
            std::fwrite(strChunk.data(), 1, strChunk.size(), m_pOut) == strChunk.size() &&
            std::fflush(m_pOut) == 0;
        const int nError = bWritten ? 0 : (errno != 0 ? errno : EIO);
        lock.lock();
        m_nInFlight = 0;
        if (nError != 0 && m_nError == 0) {
            m_nError = nError;
            m_strQueued.clear();
        }
    }
}

int CCliStream::Finish() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bStop = true;
    }
    m_wake.notify_one();
    if (m_writer.joinable())
        m_writer.join();
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_nError;
}

} // namespace vantoro

// The parts of CSerialLine that every system shares: the contract's checks, the getters over
// the line format, and what happens to a caller's pending operation.
#include "serial/cserialline.h"

#include "serial/lineformat.h"
#include "serial/serialcontract.h"

#include <algorithm>
#include <cstring>

namespace vantoro {

namespace {

constexpr std::uint32_t kErrorOperationAborted = 995;

} // namespace

// Rules shared by transfers and waits: needs open; a non-overlapped port takes neither a
// caller's structure nor a time-out other than INFINITE.
std::uint32_t CSerialLine::CheckTransfer(COverlapped* pOverlapped, std::uint32_t nTimeout) {
    if (!HasPort())
        return kErrorInvalidHandle;
    if (!IsOverlapped() && (pOverlapped || nTimeout != INFINITE))
        return kErrorInvalidFunction;
    if (pOverlapped) {
        if (pOverlapped->IsPending())
            return kEInvalidArg; // still in use by an earlier operation
        pOverlapped->m_event.Reset();
        pOverlapped->m_nBytes = 0;
        pOverlapped->m_nResult = 0;
    }
    return 0;
}

std::uint32_t CSerialLine::WriteText(const char* pszText, std::uint32_t* pnWritten,
                                     COverlapped* pOverlapped, std::uint32_t nTimeout) {
    CheckTimeoutContract(nTimeout);
    const char* text = pszText ? pszText : "";
    return WriteBytes(text, std::strlen(text), pnWritten, pOverlapped, nTimeout);
}

int CSerialLine::QueryBaudRate() {
    LineFormat format;
    return ReadFormatOfOpenPort(format) ? static_cast<int>(format.nBaudRate) : -1;
}

int CSerialLine::QueryDataBits() {
    LineFormat format;
    return ReadFormatOfOpenPort(format) ? format.nDataBits : -1;
}

int CSerialLine::QueryParity() {
    LineFormat format;
    return ReadFormatOfOpenPort(format) ? format.nParity : -1;
}

int CSerialLine::QueryStopBits() {
    LineFormat format;
    return ReadFormatOfOpenPort(format) ? format.nStopBits : -1;
}

int CSerialLine::QueryHandshaking() {
    LineFormat format;
    return ReadFormatOfOpenPort(format) ? format.nHandshake : -1;
}

std::uint32_t CSerialLine::QueryEventMask() {
    Store(0);
    if (!HasPort())
        return Store(kErrorInvalidHandle), 0;
    return m_nEventMask.load();
}

std::uint32_t CSerialLine::TakeEvents() {
    return m_nReceivedEvents.exchange(0) & m_nEventMask.load();
}

void CSerialLine::ForgetPending(COverlapped* pOverlapped) {
    pOverlapped->m_pending = COverlapped::PendingKind::None;
    pOverlapped->m_pLine = nullptr;
    std::erase(m_pendingOperations, pOverlapped);
}

// Closing the port ends what callers left pending, as closing a handle cancels its I/O.
void CSerialLine::AbandonPendingOperations() {
    for (COverlapped* pOverlapped : m_pendingOperations) {
        pOverlapped->m_pending = COverlapped::PendingKind::None;
        pOverlapped->m_pLine = nullptr;
        pOverlapped->m_nResult = kErrorOperationAborted;
        pOverlapped->m_event.Set();
    }
    m_pendingOperations.clear();
}

} // namespace vantoro

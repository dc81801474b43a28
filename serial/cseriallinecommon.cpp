// The parts of CSerialLine that every system shares: the contract's checks, the openings of
// writes and reads, the getters over the line format, and what happens to a caller's pending
// operation.
#include "serial/cserialline.h"

#include "serial/cnetworkline.h"
#include "serial/lineformat.h"
#include "serial/serialcontract.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <string>

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

// The opening of every transfer: the contract's checks, and the caller's count at 0 whatever
// follows.
std::uint32_t CSerialLine::StartTransfer(const void* pData, std::size_t nLength,
                                         std::uint32_t& nCount, COverlapped* pOverlapped,
                                         std::uint32_t nTimeout) {
    CheckTimeoutContract(nTimeout);
    Store(0);
    nCount = 0;
    if (std::uint32_t code = CheckTransfer(pOverlapped, nTimeout))
        return code;
    return !pData && nLength != 0 ? kEInvalidArg : 0;
}

// Writes and reads share the contract's checks, the network framing and the count in the
// caller's bytes; the system's part (SendToDevice, ReadWhole) is the tail.
std::uint32_t CSerialLine::WriteBytes(const void* pData, std::size_t nLength,
                                      std::uint32_t* pnWritten, COverlapped* pOverlapped,
                                      std::uint32_t nTimeout) {
    std::uint32_t unused = 0;
    std::uint32_t& written = pnWritten ? *pnWritten : unused;
    if (std::uint32_t code = StartTransfer(pData, nLength, written, pOverlapped, nTimeout))
        return Store(code);
    const auto* data = static_cast<const std::uint8_t*>(pData);
    // A network port sends its data in the server's framing; the count stays the caller's.
    std::string encoded;
    const std::size_t nSource = nLength;
    if (m_pNetwork) {
        if (m_pNetwork->HasHungUp())
            return Store(kErrorGenFailure);
        encoded = m_pNetwork->EncodeData(data, nLength);
        data = reinterpret_cast<const std::uint8_t*>(encoded.data());
        nLength = encoded.size();
    }
    // The update engine's writes (time-out 0, no structure of its own) must never hold its
    // thread: the device takes what it can now and the queue keeps what follows. Any other
    // write is complete when this returns: every byte is with the driver.
    const bool bQueued = m_bOverlapped && !pOverlapped && nTimeout == 0;
    const std::uint32_t code = SendToDevice(data, nLength, written, bQueued);
    if (m_pNetwork)
        written = static_cast<std::uint32_t>(m_pNetwork->SourceBytesIn(data, written, nSource));
    if (pOverlapped && code == 0) {
        pOverlapped->m_nBytes = written;
        pOverlapped->m_event.Set();
    }
    return Store(code);
}

std::uint32_t CSerialLine::ReadBytes(void* pBuffer, std::size_t nCapacity, std::uint32_t* pnRead,
                                     COverlapped* pOverlapped, std::uint32_t nTimeout) {
    std::uint32_t unused = 0;
    std::uint32_t& read = pnRead ? *pnRead : unused;
    if (std::uint32_t code = StartTransfer(pBuffer, nCapacity, read, pOverlapped, nTimeout))
        return Store(code);
    auto* buffer = static_cast<std::uint8_t*>(pBuffer);
    nCapacity = std::min<std::size_t>(nCapacity, UINT32_MAX);

    if (m_nReadTimeoutMode == ReadTimeoutNonBlocking) {
        std::uint32_t code = ReadAvailable(buffer, nCapacity, read);
        if (pOverlapped && code == 0) {
            pOverlapped->m_nBytes = read;
            pOverlapped->m_event.Set();
        }
        return Store(code);
    }
    if (pOverlapped) {
        // Takes what is there; the rest arrives through GetOverlappedResult.
        std::uint32_t got = 0;
        if (std::uint32_t code = ReadAvailable(buffer, nCapacity, got))
            return Store(code);
        pOverlapped->m_nBytes = got;
        if (got == nCapacity) {
            read = got;
            pOverlapped->m_event.Set();
            return 0;
        }
        pOverlapped->m_pending = COverlapped::PendingKind::Read;
        pOverlapped->m_pLine = this;
        pOverlapped->m_pBuffer = buffer;
        pOverlapped->m_nCapacity = nCapacity;
        m_pendingOperations.push_back(pOverlapped);
        return 0;
    }
    return Store(ReadWhole(buffer, nCapacity, read, nTimeout));
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

// Transfers, event waits, the write queue and caller-owned overlapped operations of CSerialLine
// over overlapped Win32 I/O and Winsock.
#include "serial/cserialline.h"

#include "serial/cnetworkline.h"
#include "serial/serialcontract.h"
#include "serial/win32/socketwait.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <new>
#include <utility>

#include "serial/win32/windowsapi.h" // last: see there

namespace vantoro {

namespace {

constexpr std::uint32_t kErrorIoIncomplete = 996;
// How often a driver that completes event waits without bits is looked at instead.
constexpr DWORD kQueuePollMs = 20;
// How often a pending event wait also looks at the input queue.
constexpr DWORD kQueueCheckMs = 250;
// How long a network line is quiet after bytes were told before Winsock's record is read.
constexpr std::uint32_t kNetworkRecordReadMs = 10;
// Not an event bit: the wait ended because the mask was re-applied.
constexpr std::uint32_t kWoken = 0x80000000u;

static_assert(sizeof(OVERLAPPED) <= sizeof(OverlappedStorage::bytes));

HANDLE Port(SystemHandle hPort) {
    return static_cast<HANDLE>(hPort);
}

HANDLE EventOf(const CSerialEvent& event) {
    return reinterpret_cast<HANDLE>(event.Native());
}

HANDLE EventOf(const CSocketEvent& event) {
    return static_cast<HANDLE>(event.Native());
}

OVERLAPPED* NewOverlapped(OverlappedStorage& storage, HANDLE hEvent) {
    auto* pOverlapped = new (storage.bytes) OVERLAPPED{};
    pOverlapped->hEvent = hEvent;
    return pOverlapped;
}

OVERLAPPED* OverlappedIn(OverlappedStorage& storage) {
    return std::launder(reinterpret_cast<OVERLAPPED*>(storage.bytes));
}

// A connection that is gone reads as a failing device, as an unplugged adapter does.
bool IsConnectionGone(int nError) {
    return nError == WSAECONNRESET || nError == WSAECONNABORTED || nError == WSAENETRESET ||
           nError == WSAESHUTDOWN || nError == WSAENOTCONN || nError == WSAETIMEDOUT;
}

// Ends an event wait of this thread that is no longer wanted; the structure may be released
// once this returns. Re-applying the mask ends it; Wine at times needs that more than once.
void EndCommWait(HANDLE hPort, OVERLAPPED* pOverlapped, DWORD nMask) {
    for (int nTry = 0; nTry < 20; ++nTry) {
        ::SetCommMask(hPort, nMask);
        if (::WaitForSingleObject(pOverlapped->hEvent, 50) == WAIT_OBJECT_0)
            break;
    }
    DWORD nDone = 0;
    if (::WaitForSingleObject(pOverlapped->hEvent, 0) != WAIT_OBJECT_0)
        ::CancelIoEx(hPort, pOverlapped);
    ::GetOverlappedResult(hPort, pOverlapped, &nDone, TRUE);
}

} // namespace

std::uint32_t CSerialLine::SendToDevice(const std::uint8_t* pData, std::size_t nLength,
                                        std::uint32_t& nWritten, bool bQueued) {
    return bQueued ? WriteQueued(pData, nLength, nWritten) : WriteAll(pData, nLength, nWritten);
}

// One ReadFile or WriteFile on the COM port, finished before it returns: the port's read
// time-outs decide how long a read may take, a write ends when the driver has every byte.
std::uint32_t CSerialLine::TransferNow(bool bWrite, void* pData, std::size_t nLength,
                                       std::uint32_t& nDone) {
    DWORD n = 0;
    const DWORD nSize = static_cast<DWORD>(std::min<std::size_t>(nLength, MAXDWORD));
    if (!m_bOverlapped) {
        BOOL ok = bWrite ? ::WriteFile(Port(m_hPort), pData, nSize, &n, nullptr)
                         : ::ReadFile(Port(m_hPort), pData, nSize, &n, nullptr);
        nDone += n;
        return ok ? 0 : ::GetLastError();
    }
    OverlappedStorage storage;
    OVERLAPPED* pOverlapped = NewOverlapped(storage, EventOf(m_ioEvent));
    BOOL ok = bWrite ? ::WriteFile(Port(m_hPort), pData, nSize, nullptr, pOverlapped)
                     : ::ReadFile(Port(m_hPort), pData, nSize, nullptr, pOverlapped);
    if (!ok && ::GetLastError() != ERROR_IO_PENDING)
        return ::GetLastError();
    ok = ::GetOverlappedResult(Port(m_hPort), pOverlapped, &n, TRUE);
    nDone += n;
    return ok ? 0 : ::GetLastError();
}

// As much as the connection takes now; nSent may stay short without an error.
std::uint32_t CSerialLine::SendNow(const std::uint8_t* pData, std::size_t nLength,
                                   std::size_t& nSent) {
    nSent = 0;
    const SOCKET socket = static_cast<SOCKET>(m_pNetwork->Fd());
    while (nSent < nLength) {
        const int nChunk = static_cast<int>(std::min<std::size_t>(nLength - nSent, INT_MAX));
        int n = ::send(socket, reinterpret_cast<const char*>(pData + nSent), nChunk, 0);
        if (n > 0) {
            nSent += static_cast<std::size_t>(n);
            continue;
        }
        const int nError = ::WSAGetLastError();
        if (n == SOCKET_ERROR && nError == WSAEWOULDBLOCK)
            return 0;
        if (IsConnectionGone(nError))
            m_bHungUp.store(true);
        return kErrorGenFailure;
    }
    return 0;
}

// Waits for bytes (or the end) or for room on the connection: 0, 1460, or the failure.
std::uint32_t CSerialLine::WaitForSocket(bool bWrite, std::uint32_t nTimeout) {
    bool bFailed = false;
    const int n = SelectOne(m_pNetwork->Fd(), bWrite,
                            nTimeout == INFINITE ? -1L : static_cast<long>(nTimeout), bFailed);
    if (n == SOCKET_ERROR)
        return static_cast<std::uint32_t>(::WSAGetLastError());
    return n == 0 ? kErrorTimeout : 0;
}

std::uint32_t CSerialLine::WriteQueued(const std::uint8_t* pData, std::size_t nLength,
                                       std::uint32_t& nWritten) {
    std::lock_guard<std::mutex> lock(m_outputMutex);
    const bool bIdle = m_output.empty() && !m_bWriteInFlight;
    if (m_pNetwork) {
        std::size_t taken = 0;
        // Bytes still queued go first, so nothing overtakes them.
        if (bIdle) {
            if (std::uint32_t code = SendNow(pData, nLength, taken))
                return code;
            nWritten = static_cast<std::uint32_t>(taken);
        }
        // Winsock signals FD_WRITE to the waiting thread once there is room again.
        m_output.insert(m_output.end(), pData + taken, pData + nLength);
        return 0;
    }
    m_output.insert(m_output.end(), pData, pData + nLength);
    if (std::uint32_t code = PushQueuedLocked(false))
        return code;
    // A write the driver finished at once is counted; one under way is still queued output.
    if (bIdle && PushQueuedLocked(false) == 0 && !m_bWriteInFlight && m_output.empty())
        nWritten = static_cast<std::uint32_t>(nLength);
    return 0;
}

// Hands the queue on: for a COM port collects the write under way (waiting for it when bWait)
// and starts the next; for a network port sends what the connection takes.
std::uint32_t CSerialLine::PushQueuedLocked(bool bWait) {
    if (m_pNetwork) {
        std::size_t sent = 0;
        std::uint32_t code = m_output.empty() ? 0 : SendNow(m_output.data(), m_output.size(), sent);
        m_output.erase(m_output.begin(), m_output.begin() + static_cast<std::ptrdiff_t>(sent));
        if (code != 0)
            m_output.clear();
        return code;
    }
    if (m_bWriteInFlight) {
        DWORD n = 0;
        if (!::GetOverlappedResult(Port(m_hPort), OverlappedIn(m_writeOverlapped), &n, bWait)) {
            const DWORD nError = ::GetLastError();
            if (nError == ERROR_IO_INCOMPLETE)
                return 0;
            m_bWriteInFlight = false;
            m_inFlight.clear();
            m_output.clear();
            return nError;
        }
        m_bWriteInFlight = false;
        m_inFlight.clear();
    }
    if (m_output.empty())
        return 0;
    m_inFlight.swap(m_output);
    OVERLAPPED* pOverlapped = NewOverlapped(m_writeOverlapped, EventOf(m_writeDone));
    if (!::WriteFile(Port(m_hPort), m_inFlight.data(), static_cast<DWORD>(m_inFlight.size()),
                     nullptr, pOverlapped) &&
        ::GetLastError() != ERROR_IO_PENDING) {
        const DWORD nError = ::GetLastError();
        m_inFlight.clear();
        m_output.clear();
        return nError;
    }
    // Completed at once or not, the result is collected by the next push.
    m_bWriteInFlight = true;
    return 0;
}

std::size_t CSerialLine::QueuedOutput() {
    std::lock_guard<std::mutex> lock(m_outputMutex);
    if (HasPort())
        PushQueuedLocked(false);
    return m_output.size() + (m_bWriteInFlight ? m_inFlight.size() : 0);
}

std::uint32_t CSerialLine::ContinueWrite() {
    Store(0);
    if (!HasPort())
        return Store(kErrorInvalidHandle);
    std::lock_guard<std::mutex> lock(m_outputMutex);
    return Store(PushQueuedLocked(false));
}

// The waiting thread's share of the queue: room came, or the write under way finished.
std::uint32_t CSerialLine::PushFromWaiter() {
    std::lock_guard<std::mutex> lock(m_outputMutex);
    const std::uint32_t code = PushQueuedLocked(false);
    // Only a COM port's writes signal the event (a network port's are never in flight); under
    // Wine resetting it anyway is a round trip to its server.
    if (m_hPort && !m_bWriteInFlight)
        m_writeDone.Reset();
    return code;
}

std::uint32_t CSerialLine::WriteAll(const std::uint8_t* pData, std::size_t nLength,
                                    std::uint32_t& nWritten) {
    std::lock_guard<std::mutex> lock(m_outputMutex);
    // Queued bytes go first; a waiting write finishes them too.
    if (!m_output.empty() || m_bWriteInFlight) {
        m_output.insert(m_output.end(), pData, pData + nLength);
        while (!m_output.empty() || m_bWriteInFlight) {
            if (std::uint32_t code = PushQueuedLocked(true))
                return code;
            if (m_pNetwork && !m_output.empty()) {
                if (std::uint32_t code = WaitForSocket(true, INFINITE))
                    return code;
            }
        }
        nWritten = static_cast<std::uint32_t>(nLength);
        return 0;
    }
    if (!m_pNetwork)
        return TransferNow(true, const_cast<std::uint8_t*>(pData), nLength, nWritten);
    std::size_t done = 0;
    while (done < nLength) {
        std::size_t sent = 0;
        if (std::uint32_t code = SendNow(pData + done, nLength - done, sent))
            return code;
        done += sent;
        nWritten = static_cast<std::uint32_t>(done);
        if (done < nLength) {
            if (std::uint32_t code = WaitForSocket(true, INFINITE))
                return code;
        }
    }
    return 0;
}

// Bytes the driver holds for reading; errors cleared on the way are kept for the listener.
std::uint32_t CSerialLine::BytesWaiting(std::uint32_t& nBytes) {
    nBytes = 0;
    if (m_pNetwork) {
        u_long n = 0;
        if (::ioctlsocket(static_cast<SOCKET>(m_pNetwork->Fd()), FIONREAD, &n) != 0)
            return static_cast<std::uint32_t>(::WSAGetLastError());
        nBytes = static_cast<std::uint32_t>(n) + (m_pNetwork->HasPendingData() ? 1 : 0);
        return 0;
    }
    DWORD errors = 0;
    COMSTAT status{};
    if (!::ClearCommError(Port(m_hPort), &errors, &status))
        return ::GetLastError();
    m_nSeenErrors.fetch_or(errors);
    nBytes = status.cbInQue;
    return 0;
}

std::uint32_t CSerialLine::ReadWhole(std::uint8_t* pBuffer, std::size_t nCapacity,
                                     std::uint32_t& nRead, std::uint32_t nTimeout) {
    if (nTimeout == 0) {
        // Nothing is consumed unless the whole request can be met, so a read that does not
        // finish leaves no bytes behind in a buffer the caller has given up.
        std::uint32_t waiting = 0;
        if (BytesWaiting(waiting) != 0 || waiting < nCapacity)
            return kErrorTimeout;
    }
    return ReadUntilFull(pBuffer, nCapacity, nRead, true);
}

// What is there now, up to nCapacity (none is not an error).
std::uint32_t CSerialLine::ReadAvailable(std::uint8_t* pBuffer, std::size_t nCapacity,
                                         std::uint32_t& nRead) {
    if (nCapacity == 0)
        return 0;
    if (m_pNetwork) {
        std::uint32_t got = 0;
        std::uint32_t code = m_pNetwork->Read(pBuffer, nCapacity, got);
        nRead += got;
        if (m_pNetwork->HasHungUp())
            m_bHungUp.store(true);
        return code;
    }
    // Only what the driver holds is asked for, so the read never waits: in the blocking mode
    // the driver would wait for the whole request, and some drivers (Wine's) wait even in the
    // mode that should return at once.
    std::uint32_t waiting = 0;
    if (std::uint32_t code = BytesWaiting(waiting))
        return code;
    const std::size_t nTake = std::min<std::size_t>(waiting, nCapacity);
    // What stays in the queue is the mark new arrivals are measured from.
    m_nLastQueued.store(waiting - static_cast<std::uint32_t>(nTake));
    return nTake == 0 ? 0 : TransferNow(false, pBuffer, nTake, nRead);
}

// Reads until nCapacity bytes are in; without bWait 996 while short.
std::uint32_t CSerialLine::ReadUntilFull(std::uint8_t* pBuffer, std::size_t nCapacity,
                                         std::uint32_t& nRead, bool bWait) {
    if (!m_pNetwork && bWait && m_nReadTimeoutMode == ReadTimeoutBlocking)
        return TransferNow(false, pBuffer + nRead, nCapacity - nRead, nRead);
    while (nRead < nCapacity) {
        if (std::uint32_t code = ReadAvailable(pBuffer + nRead, nCapacity - nRead, nRead))
            return code;
        if (nRead == nCapacity)
            break;
        if (!bWait || !m_pNetwork)
            return kErrorIoIncomplete;
        if (std::uint32_t code = WaitForSocket(false, INFINITE))
            return code;
    }
    return 0;
}

std::uint32_t CSerialLine::WaitForEvent(COverlapped* pOverlapped, std::uint32_t nTimeout) {
    CheckTimeoutContract(nTimeout);
    Store(0);
    if (std::uint32_t code = CheckTransfer(pOverlapped, nTimeout))
        return Store(code);
    if (!pOverlapped)
        return Store(WaitForLineEvents(nTimeout));
    std::uint32_t code = WaitForLineEvents(0);
    if (code == 0) {
        pOverlapped->m_event.Set();
        return 0;
    }
    if (code != kErrorTimeout)
        return Store(code);
    pOverlapped->m_pending = COverlapped::PendingKind::Wait;
    pOverlapped->m_pLine = this;
    m_pendingOperations.push_back(pOverlapped);
    return 0;
}

// One wake-up: events within the mask, a re-applied mask (no bits), or the end of the device.
std::uint32_t CSerialLine::WaitForLineEvents(std::uint32_t nTimeout) {
    for (;;) {
        if (m_bHungUp.load())
            return kErrorGenFailure;
        std::uint32_t bits = 0;
        std::uint32_t code =
            m_pNetwork ? WaitForSocketEvent(nTimeout, bits) : WaitForCommEvent(nTimeout, bits);
        if (code != 0)
            return code;
        if (bits & kWoken) {
            m_nReceivedEvents.store(0);
            return 0;
        }
        if (bits & m_nEventMask.load()) {
            m_nReceivedEvents.store(bits);
            return 0;
        }
        if (nTimeout == 0)
            return kErrorTimeout;
    }
}

// WaitCommEvent on a per-call event, alongside the wake-up and the queued write's completion.
std::uint32_t CSerialLine::WaitForCommEvent(std::uint32_t nTimeout, std::uint32_t& nBits) {
    if (m_wakeup.IsSignalled()) {
        m_wakeup.Reset();
        nBits = kWoken;
        return 0;
    }
    if (m_bQueueWatchOnly)
        return PollQueueForArrival(nTimeout, nBits);
    DWORD events = 0;
    if (!m_bOverlapped) {
        if (!::WaitCommEvent(Port(m_hPort), &events, nullptr))
            return ::GetLastError();
    } else {
        CSerialEvent done;
        OverlappedStorage storage;
        OVERLAPPED* pOverlapped = NewOverlapped(storage, EventOf(done));
        if (!::WaitCommEvent(Port(m_hPort), &events, pOverlapped)) {
            if (::GetLastError() != ERROR_IO_PENDING)
                return ::GetLastError();
            for (;;) {
                HANDLE handles[3] = {EventOf(done), EventOf(m_wakeup), EventOf(m_writeDone)};
                const DWORD r = ::WaitForMultipleObjects(3, handles, FALSE,
                                                         std::min<DWORD>(nTimeout, kQueueCheckMs));
                if (r == WAIT_OBJECT_0)
                    break;
                if (r == WAIT_TIMEOUT && nTimeout != 0) {
                    // A wait the driver never completes (Wine's, at times) still sees arrivals.
                    std::uint32_t waiting = 0;
                    if (BytesWaiting(waiting) == 0 && waiting > m_nLastQueued.exchange(waiting)) {
                        EndCommWait(Port(m_hPort), pOverlapped, m_nEventMask.load() & 0xFFFF);
                        m_bQueueWatchOnly = true;
                        nBits = EV_RXCHAR;
                        return 0;
                    }
                    continue;
                }
                if (r == WAIT_OBJECT_0 + 2) {
                    if (std::uint32_t code = PushFromWaiter()) {
                        EndCommWait(Port(m_hPort), pOverlapped, m_nEventMask.load() & 0xFFFF);
                        return code;
                    }
                    continue;
                }
                const DWORD nError = r == WAIT_FAILED ? ::GetLastError() : 0;
                EndCommWait(Port(m_hPort), pOverlapped, m_nEventMask.load() & 0xFFFF);
                if (r == WAIT_OBJECT_0 + 1) {
                    m_wakeup.Reset();
                    nBits = kWoken;
                    return 0;
                }
                return r == WAIT_TIMEOUT ? kErrorTimeout : nError;
            }
            DWORD nUnused = 0;
            // A mask change ends the wait without bits; Wine reports it as aborted instead.
            if (!::GetOverlappedResult(Port(m_hPort), pOverlapped, &nUnused, FALSE)) {
                if (::GetLastError() != ERROR_OPERATION_ABORTED)
                    return ::GetLastError();
                events = 0;
            }
        }
    }
    if (events != 0) {
        nBits = events;
        return 0;
    }
    // Without bits the wait ended for a mask change (whose wake-up follows within moments), or
    // the driver does not report events: then only its queue is watched from now on.
    const std::uint32_t code = PollQueueForArrival(nTimeout, nBits);
    if (code == 0 && !(nBits & kWoken))
        m_bQueueWatchOnly = true;
    return code;
}

// For drivers that end every event wait at once without bits: a short pause (which the
// wake-up cuts short), then new bytes in the input queue count as an arrival and errors the
// driver kept as a line-status event.
std::uint32_t CSerialLine::PollQueueForArrival(std::uint32_t nTimeout, std::uint32_t& nBits) {
    HANDLE handles[2] = {EventOf(m_wakeup), EventOf(m_writeDone)};
    const DWORD r =
        ::WaitForMultipleObjects(2, handles, FALSE, std::min<DWORD>(nTimeout, kQueuePollMs));
    if (r == WAIT_OBJECT_0) {
        m_wakeup.Reset();
        nBits = kWoken;
        return 0;
    }
    if (r == WAIT_OBJECT_0 + 1) {
        if (std::uint32_t code = PushFromWaiter())
            return code;
    }
    std::uint32_t waiting = 0;
    if (std::uint32_t code = BytesWaiting(waiting))
        return code;
    if (waiting > m_nLastQueued.exchange(waiting))
        nBits |= EV_RXCHAR;
    const std::uint32_t errors = m_nSeenErrors.load();
    if (errors & CE_BREAK)
        nBits |= EV_BREAK;
    if (errors & ~static_cast<std::uint32_t>(CE_BREAK))
        nBits |= EV_ERR;
    return 0;
}

// Winsock's event for the connection, alongside the wake-up. Arriving bytes are told as soon as
// the socket counts them; asking Winsock what else it recorded (room to send, the end of the
// connection) takes several round trips to Wine's server, and would stand between a reply and
// the record it lets go. That question is put once the line has been quiet for a moment after
// such a wake-up, or at once when a wake-up brought no bytes.
std::uint32_t CSerialLine::WaitForSocketEvent(std::uint32_t nTimeout, std::uint32_t& nBits) {
    if (std::exchange(m_bArrivalAtOpen, false)) {
        nBits = EV_RXCHAR;
        return 0;
    }
    DWORD r = WAIT_TIMEOUT;
    if (m_bNetworkRecordUnread) {
        r = WaitForSocketOrWakeup(std::min<std::uint32_t>(nTimeout, kNetworkRecordReadMs));
        if (r == WAIT_TIMEOUT) {
            m_bNetworkRecordUnread = false;
            if (std::uint32_t code = ReadNetworkEvents(nBits))
                return code;
            if (nBits != 0)
                return 0;
            if (nTimeout <= kNetworkRecordReadMs)
                return kErrorTimeout;
            r = WaitForSocketOrWakeup(nTimeout == INFINITE ? INFINITE
                                                           : nTimeout - kNetworkRecordReadMs);
        }
    } else {
        r = WaitForSocketOrWakeup(nTimeout);
    }
    if (r == WAIT_OBJECT_0 + 1) {
        m_wakeup.Reset();
        nBits = kWoken;
        return 0;
    }
    if (r == WAIT_TIMEOUT)
        return kErrorTimeout;
    if (r != WAIT_OBJECT_0)
        return ::GetLastError();
    // The wait has reset the event: no arrival after this can be missed, since Winsock records
    // one again only once these bytes have been read.
    std::uint32_t waiting = 0;
    if (BytesWaiting(waiting) == 0 && waiting > 0) {
        m_bNetworkRecordUnread = true;
        // Room to send may have come with them; queued output is offered again.
        if (std::uint32_t code = PushFromWaiter())
            return code;
        nBits = EV_RXCHAR;
        return 0;
    }
    m_bNetworkRecordUnread = false;
    return ReadNetworkEvents(nBits);
}

DWORD CSerialLine::WaitForSocketOrWakeup(std::uint32_t nTimeout) {
    HANDLE handles[2] = {EventOf(m_socketEvent), EventOf(m_wakeup)};
    return ::WaitForMultipleObjects(2, handles, FALSE, nTimeout);
}

// What Winsock recorded since it was last asked: the end of the connection, room to send again,
// bytes to read.
std::uint32_t CSerialLine::ReadNetworkEvents(std::uint32_t& nBits) {
    WSANETWORKEVENTS happened{};
    const SOCKET socket = static_cast<SOCKET>(m_pNetwork->Fd());
    if (::WSAEnumNetworkEvents(socket, EventOf(m_socketEvent), &happened) != 0)
        return static_cast<std::uint32_t>(::WSAGetLastError());
    if (happened.lNetworkEvents & FD_CLOSE) {
        m_bHungUp.store(true);
        return kErrorGenFailure;
    }
    if (happened.lNetworkEvents & FD_WRITE) {
        if (std::uint32_t code = PushFromWaiter())
            return code;
    }
    std::uint32_t waiting = 0;
    if ((happened.lNetworkEvents & FD_READ) && BytesWaiting(waiting) == 0 && waiting > 0)
        nBits |= EV_RXCHAR;
    return 0;
}

std::uint32_t CSerialLine::GetOverlappedResult(COverlapped& overlapped, std::uint32_t* pnCount,
                                               bool bWait) {
    Store(0);
    if (overlapped.IsPending()) {
        if (overlapped.m_pLine != this)
            return Store(kEInvalidArg);
        std::uint32_t code = CompletePending(overlapped, bWait);
        if (code == kErrorIoIncomplete || code == kErrorTimeout)
            return Store(kErrorIoIncomplete);
        ForgetPending(&overlapped);
        overlapped.m_nResult = code;
        overlapped.m_event.Set();
    }
    if (pnCount)
        *pnCount = overlapped.m_nBytes;
    return Store(overlapped.m_nResult);
}

std::uint32_t CSerialLine::CompletePending(COverlapped& overlapped, bool bWait) {
    if (overlapped.m_pending == COverlapped::PendingKind::Wait)
        return WaitForLineEvents(bWait ? INFINITE : 0);
    return ReadUntilFull(overlapped.m_pBuffer, overlapped.m_nCapacity, overlapped.m_nBytes, bWait);
}

} // namespace vantoro

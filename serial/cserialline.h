#pragma once

#include "serial/cfiledescriptor.h"
#include "serial/coverlapped.h"
#include "serial/linetermios.h"
#include "serial/serialtypes.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <sys/types.h>
#include <vector>

namespace vantoro {

struct LineFormat;
class CNetworkLine;

// One communications port over termios, or over the network through a serial device server
// (rfc2217:// or socket://): opens it for exclusive use, sets the line, moves bytes and waits
// for line events; every operation returns a Windows result code and keeps it as the last error.
class CSerialLine {
public:
    CSerialLine();
    virtual ~CSerialLine();
    CSerialLine(const CSerialLine&) = delete;
    CSerialLine& operator=(const CSerialLine&) = delete;

    // pszDevice: "\\.\ComN" (resolved through the COM-number mapping), a device path or a
    // network port name.
    virtual std::uint32_t OpenPort(const char* pszDevice, bool bOverlapped);
    virtual std::uint32_t ClosePort();
    virtual std::uint32_t ConfigureLine(std::uint32_t nBaudRate, int nDataBits, int nParity,
                                        int nStopBits);
    virtual std::uint32_t SetEventCharacter(char cEvent, bool bEnableRxFlag);
    virtual std::uint32_t SetEventMask(std::uint32_t nMask);
    virtual std::uint32_t WaitForEvent(COverlapped* pOverlapped = nullptr,
                                       std::uint32_t nTimeout = INFINITE);
    virtual std::uint32_t SetHandshaking(HandshakeMode eMode);
    virtual std::uint32_t SetReadTimeouts(ReadTimeoutMode eMode);
    virtual int QueryBaudRate();
    virtual int QueryDataBits();
    virtual int QueryParity();
    virtual int QueryStopBits();
    virtual int QueryHandshaking();
    virtual std::uint32_t QueryEventMask();
    virtual char QueryEventCharacter();
    virtual std::uint32_t WriteText(const char* pszText, std::uint32_t* pnWritten = nullptr,
                                    COverlapped* pOverlapped = nullptr,
                                    std::uint32_t nTimeout = INFINITE);
    virtual std::uint32_t WriteBytes(const void* pData, std::size_t nLength,
                                     std::uint32_t* pnWritten = nullptr,
                                     COverlapped* pOverlapped = nullptr,
                                     std::uint32_t nTimeout = INFINITE);
    virtual std::uint32_t ReadBytes(void* pBuffer, std::size_t nCapacity,
                                    std::uint32_t* pnRead = nullptr,
                                    COverlapped* pOverlapped = nullptr,
                                    std::uint32_t nTimeout = INFINITE);

    // A write with time-out 0 on an overlapped port never waits: the device takes what it can
    // now and the rest stays queued here, handed over as the device makes room (by the event
    // wait, so a listening port finishes it by itself, or by ContinueWrite). A device that
    // stops taking bytes therefore stops nobody; closing the port drops what it never took.
    // Bytes accepted and not yet taken by the device.
    virtual std::size_t QueuedOutput();
    // Hands queued bytes to the device as far as it takes them now; never waits. 0, or the
    // transfer's failure (the queue is then dropped).
    virtual std::uint32_t ContinueWrite();

    // Empties the driver's input and output buffers.
    std::uint32_t PurgeBuffers();
    // Received event bits within the mask; clears them. Leaves the last error alone.
    std::uint32_t TakeEvents();
    bool HasPort() const { return m_port.IsValid() || m_pNetwork != nullptr; }
    std::uint32_t GetLastError() const { return m_nLastError.load(); }
    // The node actually opened (after COM-number resolution); empty while closed.
    const std::string& GetDeviceNode() const { return m_strDeviceNode; }

    // Line errors counted by the driver since the previous call, as CE_* bits (0 where the
    // driver keeps no counters, as a pseudo-terminal).
    std::uint32_t ClearLineErrors(std::uint32_t* pnErrors);

    // Finishes a caller's operation left pending: bWait waits for it, otherwise 996 while it is
    // still incomplete. 995 when the port was closed under it.
    std::uint32_t GetOverlappedResult(COverlapped& overlapped, std::uint32_t* pnCount, bool bWait);

    // Whether the port could be opened now: PortAvailable, PortUnavailable (error 2), PortInUse
    // (error 5, held by someone), PortUnknown (anything else, also a permission problem, whose
    // cause and remedy then go to pstrCause as one log line). For a device that is there,
    // pstrCause gets the warning of ModemManagerWarningFor, if any.
    static int ProbePort(const char* pszDevice, std::uint32_t* pnError = nullptr,
                         std::string* pstrCause = nullptr);

protected:
    std::uint32_t Store(std::uint32_t nCode) {
        m_nLastError.store(nCode);
        return nCode;
    }
    bool IsOverlapped() const { return m_bOverlapped; }
    // Ends a pending event wait at once, as re-applying the mask does.
    void WakeEventWait();
    int PortFd() const;

private:
    friend class COverlapped;

    void CloseHandles();
    std::uint32_t OpenNetworkPort(const std::string& strName, bool bOverlapped);
    void ResetOpenState(bool bOverlapped, const std::string& strNode);
    int ReadCurrentFormat(LineFormat& format);
    bool ReadFormatOfOpenPort(LineFormat& format);
    std::uint32_t CheckTransfer(COverlapped* pOverlapped, std::uint32_t nTimeout);
    std::uint32_t ReadAvailable(std::uint8_t* pBuffer, std::size_t nCapacity, std::uint32_t& nRead);
    std::uint32_t ReadUntilFull(std::uint8_t* pBuffer, std::size_t nCapacity, std::uint32_t& nRead,
                                int nPollTimeout);
    std::uint32_t WriteAll(const std::uint8_t* pData, std::size_t nLength, std::uint32_t& nWritten);
    ssize_t WriteToPort(const std::uint8_t* pData, std::size_t nLength);
    std::uint32_t WriteQueued(const std::uint8_t* pData, std::size_t nLength,
                              std::uint32_t& nWritten);
    std::uint32_t WriteAvailable(const std::uint8_t* pData, std::size_t nLength,
                                 std::size_t& nTaken);
    std::uint32_t PushQueuedLocked();
    void WatchForOutputRoom();
    std::uint32_t WaitForLineEvents(int nPollTimeout);
    std::uint32_t CollectEvents(std::uint32_t nEpollEvents);
    std::uint32_t ConfigureOpenedPort(int fd, bool bNetwork);
    void AbandonPendingOperations();
    void ForgetPending(COverlapped* pOverlapped);
    std::uint32_t CompletePending(COverlapped& overlapped, int nPollTimeout);

    std::atomic<std::uint32_t> m_nLastError{0};
    CFileDescriptor m_port;
    std::unique_ptr<CNetworkLine> m_pNetwork; // instead of m_port for a network port
    std::atomic<std::uint32_t> m_nReceivedEvents{0};
    std::atomic<std::uint32_t> m_nEventMask{0};
    bool m_bOverlapped = false;

    CFileDescriptor m_epoll;    // edge-triggered watch on the port plus the wake-up descriptor
    CFileDescriptor m_wakeup;   // eventfd that re-applying the mask writes to
    CFileDescriptor m_txWatch;  // second descriptor of the port, watched for output while asked
    CFileDescriptor m_outWatch; // third one, armed once while bytes are queued for the device
    std::mutex m_outputMutex;   // the queue below: the caller's thread fills it, the waiter drains
    std::vector<std::uint8_t> m_output;
    std::size_t m_nOutputDone = 0; // bytes at the front of m_output the device has taken
    // Port readiness that came with a mask change: the change completes the wait with no bits,
    // and what arrived with it is looked at by the next wait. Only the waiting thread uses it.
    std::uint32_t m_nDeferredPortEvents = 0;
    std::string m_strDeviceNode;
    char m_cEventChar = 0;
    int m_nReadTimeoutMode = ReadTimeoutNonBlocking;
    std::atomic<bool> m_bTxPending{false};
    std::atomic<bool> m_bHungUp{false};
    bool m_bHaveCounters = false;
    SavedLineSettings m_savedLine;     // the line as it was found, put back at close
    LineErrorCounters m_eventCounters; // baseline of the listener's event bits
    LineErrorCounters m_errorCounters; // baseline of ClearLineErrors
    std::vector<COverlapped*> m_pendingOperations;
};

} // namespace vantoro

#pragma once

#include "serial/coverlapped.h"
#include "serial/serialtypes.h"
#include "serialsystem.h" // what the private part below needs of the system built for

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace vantoro {

struct LineFormat;
class CNetworkLine;

// One communications port (termios on Linux, the Win32 communications calls on Windows), or over
// the network through a serial device server (rfc2217:// or socket://): opens it for exclusive use,
// sets the line, moves bytes and waits for line events; every operation returns a Windows result
// code and keeps it as the last error.
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
    bool HasPort() const { return HasPortHandle() || m_pNetwork != nullptr; }
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

private:
    friend class COverlapped;

    std::uint32_t StartTransfer(const void* pData, std::size_t nLength, std::uint32_t& nCount,
                                COverlapped* pOverlapped, std::uint32_t nTimeout);

    // The handles, queues and helpers of the system built for, from serial/posix/ or
    // serial/win32/ (the build puts the right one on the include path).
#include "cseriallinemembers.h"
};

} // namespace vantoro

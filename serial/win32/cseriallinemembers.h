// Private part of CSerialLine on Windows, included inside the class: the port handle opened
// overlapped, the events its waits use, the write queue, and the Winsock event of a network port.
// clang-format off
    bool HasPortHandle() const { return m_hPort != nullptr; }
    void CloseHandles();
    std::uint32_t OpenNetworkPort(const std::string& strName, bool bOverlapped);
    std::uint32_t ConfigureOpenedPort();
    void ResetOpenState(bool bOverlapped, const std::string& strNode);
    bool ReadFormatOfOpenPort(LineFormat& format);
    std::uint32_t CheckTransfer(COverlapped* pOverlapped, std::uint32_t nTimeout);
    // The system's tails of WriteBytes and ReadBytes: bQueued for the engine's writes that must
    // not wait; a read that returns only once nCapacity bytes are in (time-out 0: at once).
    std::uint32_t SendToDevice(const std::uint8_t* pData, std::size_t nLength,
                               std::uint32_t& nWritten, bool bQueued);
    std::uint32_t ReadWhole(std::uint8_t* pBuffer, std::size_t nCapacity, std::uint32_t& nRead,
                            std::uint32_t nTimeout);
    std::uint32_t BytesWaiting(std::uint32_t& nBytes);
    std::uint32_t ReadAvailable(std::uint8_t* pBuffer, std::size_t nCapacity, std::uint32_t& nRead);
    std::uint32_t ReadUntilFull(std::uint8_t* pBuffer, std::size_t nCapacity, std::uint32_t& nRead,
                                bool bWait);
    std::uint32_t TransferNow(bool bWrite, void* pData, std::size_t nLength, std::uint32_t& nDone);
    std::uint32_t SendNow(const std::uint8_t* pData, std::size_t nLength, std::size_t& nSent);
    std::uint32_t WaitForSocket(bool bWrite, std::uint32_t nTimeout);
    std::uint32_t WriteAll(const std::uint8_t* pData, std::size_t nLength, std::uint32_t& nWritten);
    std::uint32_t WriteQueued(const std::uint8_t* pData, std::size_t nLength,
                              std::uint32_t& nWritten);
    std::uint32_t PushQueuedLocked(bool bWait);
    std::uint32_t WaitForLineEvents(std::uint32_t nTimeout);
    std::uint32_t WaitForCommEvent(std::uint32_t nTimeout, std::uint32_t& nBits);
    std::uint32_t WaitForSocketEvent(std::uint32_t nTimeout, std::uint32_t& nBits);
    unsigned long WaitForSocketOrWakeup(std::uint32_t nTimeout); // a WaitForMultipleObjects result
    std::uint32_t ReadNetworkEvents(std::uint32_t& nBits);
    std::uint32_t PollQueueForArrival(std::uint32_t nTimeout, std::uint32_t& nBits);
    std::uint32_t PushFromWaiter();
    void AbandonPendingOperations();
    void ForgetPending(COverlapped* pOverlapped);
    std::uint32_t CompletePending(COverlapped& overlapped, bool bWait);

    std::atomic<std::uint32_t> m_nLastError{0};
    SystemHandle m_hPort = nullptr;           // the COM port; null for a network port
    SystemHandle m_hClaim = nullptr;          // the port's named claim while it is open
    std::unique_ptr<CNetworkLine> m_pNetwork; // instead of m_hPort for a network port
    std::atomic<std::uint32_t> m_nReceivedEvents{0};
    std::atomic<std::uint32_t> m_nEventMask{0};
    bool m_bOverlapped = false;

    CSerialEvent m_ioEvent;             // the caller's thread's transfers
    CSerialEvent m_wakeup;              // set by re-applying the mask: ends the listener's wait
    CSocketEvent m_socketEvent;         // what Winsock signals for a network port
    CSerialEvent m_writeDone;           // the queued write that is under way
    std::mutex m_outputMutex;           // the queue: the caller fills it, either thread drains
    std::vector<std::uint8_t> m_output; // accepted, not yet handed to the driver
    std::vector<std::uint8_t> m_inFlight; // handed to the driver, write not yet complete
    OverlappedStorage m_writeOverlapped;
    bool m_bWriteInFlight = false;
    // Drivers that complete a wait without bits (Wine's, on a pseudo-terminal) are watched by
    // the size of their input queue instead; this is its size at the last look.
    std::atomic<std::uint32_t> m_nLastQueued{0};
    bool m_bQueueWatchOnly = false; // the driver failed to report: only the queue is watched
    std::string m_strDeviceNode;
    char m_cEventChar = 0;
    int m_nReadTimeoutMode = ReadTimeoutNonBlocking;
    std::atomic<bool> m_bHungUp{false};
    std::atomic<std::uint32_t> m_nSeenErrors{0}; // errors cleared while looking at the queue
    bool m_bArrivalAtOpen = false; // a network port's bytes that came while connecting
    bool m_bNetworkRecordUnread = false; // bytes were told without asking Winsock what else came
    std::vector<COverlapped*> m_pendingOperations;
// clang-format on

// Private part of CSerialLine on Linux, included inside the class: an epoll set over the port
// and an eventfd for wake-ups, the write queue, and the terminal state to put back at close.
// clang-format off
    bool HasPortHandle() const { return m_port.IsValid(); }
    int PortFd() const;

    void CloseHandles();
    std::uint32_t OpenNetworkPort(const std::string& strName, bool bOverlapped);
    void ResetOpenState(bool bOverlapped, const std::string& strNode);
    int ReadCurrentFormat(LineFormat& format);
    bool ReadFormatOfOpenPort(LineFormat& format);
    std::uint32_t CheckTransfer(COverlapped* pOverlapped, std::uint32_t nTimeout);
    // The system's tails of WriteBytes and ReadBytes: bQueued for the engine's writes that must
    // not wait; a read that returns only once nCapacity bytes are in (time-out 0: at once).
    std::uint32_t SendToDevice(const std::uint8_t* pData, std::size_t nLength,
                               std::uint32_t& nWritten, bool bQueued);
    std::uint32_t ReadWhole(std::uint8_t* pBuffer, std::size_t nCapacity, std::uint32_t& nRead,
                            std::uint32_t nTimeout);
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
// clang-format on

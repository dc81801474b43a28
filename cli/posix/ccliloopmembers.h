// Private part of CCliLoop on Linux, included inside the class: the descriptors Wait polls.
// clang-format off
    int m_nWakeFd = -1;   // eventfd that Post writes to
    int m_nSignalFd = -1; // signalfd of the interrupting signals
    std::mutex m_mutex;   // the queue
// clang-format on

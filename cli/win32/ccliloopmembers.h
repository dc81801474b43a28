// Private part of CCliLoop on Windows, included inside the class: a slim reader/writer lock and
// a condition variable. Both are one pointer that starts as null (SRWLOCK_INIT,
// CONDITION_VARIABLE_INIT) and are kept here as such, so the shared header needs no Windows
// header. Under Wine they wake the loop without a round trip to the wineserver, which an event
// or a semaphore (and so std::condition_variable of MinGW's threads) costs; every reply of an
// update comes to the loop this way.
// clang-format off
    void* m_pLock = nullptr;   // SRWLOCK: the queue
    void* m_pPosted = nullptr; // CONDITION_VARIABLE: something was posted, or a signal came
// clang-format on

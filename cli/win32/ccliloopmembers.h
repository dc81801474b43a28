// Private part of CCliLoop on Windows, included inside the class: a slim reader/writer lock and
// a condition variable. Both are one pointer that starts as null (SRWLOCK_INIT,
// CONDITION_VARIABLE_INIT) and are kept here as such, so the shared header needs no Windows
// header. Windows (and Wine) hand a notification over between threads without a trip to the
// kernel (or the wineserver) while nobody waits; the update's every reply comes this way.
// clang-format off
    void* m_pLock = nullptr;   // SRWLOCK: the queue
    void* m_pPosted = nullptr; // CONDITION_VARIABLE: something was posted, or a signal came
// clang-format on

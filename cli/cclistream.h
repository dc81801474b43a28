#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>

namespace vantoro {

// Standard output behind a writer thread of its own, so that a reader that stalls (a pipe into
// a busy program, Ctrl-S in the terminal) holds up that thread only, never the loop that drives
// the units. What may be left out (progress) is dropped while too much waits unwritten; what
// must not (results, the summary) is always kept, in order.
//
// The writer starts with the first text, so it takes on the signal mask of the thread that
// writes first: the loop's, which leaves the interrupting signals to the loop.
class CCliStream {
public:
    static constexpr std::size_t kDefaultLimit = 16 * 1024;

    explicit CCliStream(std::FILE* pOut, std::size_t nLimit = kDefaultLimit);
    ~CCliStream();
    CCliStream(const CCliStream&) = delete;
    CCliStream& operator=(const CCliStream&) = delete;

    // Queues strText; a droppable text is left out (false) while more than the limit waits.
    bool Write(const std::string& strText, bool bDroppable);
    // True while nothing waits to be written: the reader keeps up.
    bool IsIdle();
    // How many droppable texts were left out since the last call.
    std::size_t TakeDropped();
    // Waits until everything queued has been written and stops the writer. Returns the error
    // number of the first write that failed, 0 when every write went through.
    int Finish();

private:
    void WriteAll();

    std::FILE* m_pOut;
    std::size_t m_nLimit;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::string m_strQueued;
    std::size_t m_nInFlight = 0;
    std::size_t m_nDropped = 0;
    int m_nError = 0;
    bool m_bStop = false;
    std::thread m_writer;
};

} // namespace vantoro

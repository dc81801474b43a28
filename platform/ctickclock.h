#pragma once

#include <cstdint>

namespace vantoro {

// Millisecond tick count, 32 bits wide so it wraps as the one the time-outs were designed for;
// injectable so time-outs and estimates are tested with a fake clock instead of sleeps.
class ITickSource {
public:
    virtual ~ITickSource() = default;
    virtual std::uint32_t GetTickCount() const = 0;
};

// The real clock: a monotonic clock, cut to 32 bits.
class CSystemTickSource : public ITickSource {
public:
    std::uint32_t GetTickCount() const override;
};

// A clock that moves only when told to.
class CFakeTickSource : public ITickSource {
public:
    explicit CFakeTickSource(std::uint32_t nStart = 0) : m_nNow(nStart) {}
    std::uint32_t GetTickCount() const override { return m_nNow; }
    void SetNow(std::uint32_t nNow) { m_nNow = nNow; }
    void Advance(std::uint32_t nMillis) { m_nNow += nMillis; }

private:
    std::uint32_t m_nNow;
};

// The process-wide clock used where nothing was injected.
ITickSource& SystemTicks();

} // namespace vantoro

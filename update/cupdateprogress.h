#pragma once

#include <cstdint>
#include <string>

namespace vantoro {

// Percentage and remaining-time estimate of an update: the percentage is shown when its whole
// number changes; the estimate comes from the records sent in the last five intervals of at
// least a second each, measured from the second record on.
class CUpdateProgress {
public:
    static constexpr int kRingSize = 5;

    // What changed on screen after one record.
    struct Change {
        bool bPercentChanged = false;
        int nPercent = 0;
        bool bEstimateChanged = false;
        int nEstimateSeconds = 0;
    };

    // At the start of every cycle: no percentage shown yet, no estimate text.
    void Reset();

    // After record nSent of nTotal has gone out at tick nNow.
    Change AfterRecordSent(int nSent, int nTotal, std::uint32_t nNow);

    // " Complete in %dm %ds" or " Complete in %ds"; empty until the estimate is first worked out.
    const std::string& GetEstimateText() const { return m_strEstimate; }
    int GetLastPercent() const { return m_nLastPercent; }

    // Formats a number of seconds the way the Action line shows it.
    static std::string FormatEstimate(int nSeconds);
    // Seconds left for nRemaining records at the rate given by the five ring slots.
    static int EstimateSeconds(const int (&ring)[kRingSize], int nRemaining);

private:
    int m_nLastPercent = -1;
    std::uint32_t m_nIntervalMark = 0;
    int m_nIntervalCount = 0;
    int m_ring[kRingSize] = {};
    int m_nRingIndex = 0;
    int m_nIntervalsCompleted = 0;
    int m_nLastEstimate = 0;
    std::string m_strEstimate;
};

} // namespace vantoro

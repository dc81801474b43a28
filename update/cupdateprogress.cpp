#include "update/cupdateprogress.h"

#include "update/textformat.h"

namespace vantoro {

void CUpdateProgress::Reset() {
    m_nLastPercent = -1;
    m_strEstimate.clear();
}

CUpdateProgress::Change CUpdateProgress::AfterRecordSent(int nSent, int nTotal,
                                                         std::uint32_t nNow) {
    Change change;
    if (nTotal > 0) {
        const int nPercent = static_cast<int>(static_cast<std::int64_t>(nSent) * 100 / nTotal);
        if (nPercent != m_nLastPercent) {
            change.bPercentChanged = true;
            change.nPercent = nPercent;
            m_nLastPercent = nPercent;
        }
    }
    if (nSent == 2) {
        // The first record's reply includes the equipment's start-up, so the rate is measured
        // from the second record on. The ring keeps its old contents: all five slots are
        // rewritten before they are read.
        m_nIntervalMark = nNow;
        m_nIntervalCount = 0;
        m_nRingIndex = 0;
        m_nIntervalsCompleted = 0;
        m_nLastEstimate = 0;
        return change;
    }
    if (nSent < 3) {
        return change;
    }
    ++m_nIntervalCount;
    if (static_cast<std::uint32_t>(nNow - m_nIntervalMark) >= 1000) {
        m_ring[m_nRingIndex] = m_nIntervalCount;
        m_nIntervalCount = 0;
        m_nRingIndex = (m_nRingIndex + 1) % kRingSize;
        m_nIntervalMark = nNow;
        ++m_nIntervalsCompleted;
    }
    if (m_nIntervalsCompleted < kRingSize) {
        return change;
    }
    const int nSeconds = EstimateSeconds(m_ring, nTotal - nSent);
    m_strEstimate = FormatEstimate(nSeconds);
    if (nSeconds != m_nLastEstimate) {
        m_nLastEstimate = nSeconds;
        change.bEstimateChanged = true;
        change.nEstimateSeconds = nSeconds;
    }
    return change;
}

int CUpdateProgress::EstimateSeconds(const int (&ring)[kRingSize], int nRemaining) {
    int nSum = 0;
    for (int nSlot : ring) {
        nSum += nSlot;
    }
    const double dRate = nSum * 0.2;
    // A ring of zeros cannot happen (every interval ends with a record), but a division by zero
    // must never reach the conversion to int.
    if (dRate <= 0.0) {
        return 0;
    }
    const double dSeconds = (nRemaining / dRate) + 1.0;
    if (dSeconds >= 2147483647.0) {
        return 2147483647;
    }
    return static_cast<int>(dSeconds);
}

std::string CUpdateProgress::FormatEstimate(int nSeconds) {
    const int nMinutes = nSeconds / 60;
    const int nRest = nSeconds % 60;
    if (nMinutes > 0) {
        return FormatText(" Complete in %dm %ds", nMinutes, nRest);
    }
    return FormatText(" Complete in %ds", nRest);
}

} // namespace vantoro

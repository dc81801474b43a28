#include "srecord/caddressranges.h"

#include <algorithm>
#include <iterator>

namespace vantoro {

bool CAddressRanges::Add(std::uint64_t nFirst, std::uint64_t nLength) {
    const std::uint64_t nLast = nFirst + nLength - 1;
    // The first range that could touch [nFirst, nLast]: the one before nFirst, if it reaches it.
    auto it = m_ranges.upper_bound(nFirst);
    if (it != m_ranges.begin()) {
        auto before = std::prev(it);
        if (before->second + 1 >= nFirst)
            it = before;
    }
    // An ordinary file's records follow one another: the range before grows in place.
    if (it != m_ranges.end() && it->first <= nFirst) {
        const auto next = std::next(it);
        if (next == m_ranges.end() || next->first > nLast + 1) {
            const bool bInside = it->second >= nFirst;
            it->second = std::max(it->second, nLast);
            return bInside;
        }
    }
    bool bOverlap = false;
    std::uint64_t nMergedFirst = nFirst;
    std::uint64_t nMergedLast = nLast;
    while (it != m_ranges.end() && it->first <= nLast + 1) {
        if (it->first <= nLast && it->second >= nFirst)
            bOverlap = true;
        nMergedFirst = std::min(nMergedFirst, it->first);
        nMergedLast = std::max(nMergedLast, it->second);
        it = m_ranges.erase(it);
    }
    if (m_ranges.size() >= kMostRanges && nMergedFirst == nFirst && nMergedLast == nLast) {
        m_bIncomplete = true; // touches nothing and there is no room for one more
        return false;
    }
    m_ranges[nMergedFirst] = nMergedLast;
    return bOverlap;
}

std::vector<AddressRange> CAddressRanges::Ranges() const {
    std::vector<AddressRange> ranges;
    ranges.reserve(m_ranges.size());
    for (const auto& [nFirst, nLast] : m_ranges)
        ranges.push_back({nFirst, nLast});
    return ranges;
}

} // namespace vantoro

#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <vector>

namespace vantoro {

// One stretch of addresses, both ends included.
struct AddressRange {
    std::uint64_t nFirst = 0;
    std::uint64_t nLast = 0;
};

// The addresses a file's data records fill, merged as they arrive, so that a record that lands
// on bytes already given is seen. Adjacent records merge into one range, so an ordinary file
// holds a handful; a file scattered wider than the limit stops being tracked there rather than
// letting memory grow with the file.
class CAddressRanges {
public:
    static constexpr std::size_t kMostRanges = 65536;

    // Adds nLength (> 0) bytes at nFirst. True when some of them were given before.
    bool Add(std::uint64_t nFirst, std::uint64_t nLength);

    std::vector<AddressRange> Ranges() const;
    // True once a record fell outside every range while the limit was reached: from then on,
    // overlaps are not looked for and the ranges miss that record.
    bool IsIncomplete() const { return m_bIncomplete; }

private:
    std::map<std::uint64_t, std::uint64_t> m_ranges; // first -> last
    bool m_bIncomplete = false;
};

} // namespace vantoro

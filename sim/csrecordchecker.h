#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace vantoro {

// What the simulated boot loader makes of one received line.
struct SRecordCheck {
    char cReply = '('; // 'C', '+', '(', ')', '<' or '>'
    int nType = -1;    // the digit after 'S', -1 when there is none
    std::uint32_t nAddress = 0;
    std::vector<std::uint8_t> data; // data bytes of S1, S2, S3 records
};

// Checks one Motorola S-record the way a boot loader does before programming it: the type, the
// length byte against the digits present, every digit, the checksum, and the data addresses
// against the programmable range. A termination record (S7, S8, S9) answers '+'.
class CSRecordChecker {
public:
    CSRecordChecker(std::uint32_t nLowest = 0, std::uint32_t nHighest = 0xFFFFFFFFu)
        : m_nLowest(nLowest), m_nHighest(nHighest) {}

    SRecordCheck Check(std::string_view line) const;

    // Bytes of address that each record type carries; 0 for a type that does not exist (S4).
    static int AddressBytes(int nType);

private:
    std::uint32_t m_nLowest;
    std::uint32_t m_nHighest;
};

} // namespace vantoro

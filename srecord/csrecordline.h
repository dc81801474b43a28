#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vantoro {

// The fields of one well-formed Motorola S-record.
struct SRecordFields {
    int nType = -1;             // 0 to 9, never 4
    std::uint32_t nAddress = 0; // the address field: an address, a record count or a start
    std::size_t nDataBytes = 0; // bytes between the address and the checksum
};

// Reads one line as an S-record: 'S', a type, then hex digits that hold the byte count, the
// address of the type's width, the data and a checksum that makes every byte sum to 0xFF.
class CSRecordLine {
public:
    // The longest line a record can be: 'S', the type and 256 bytes as hex digits.
    static constexpr std::size_t kLongestRecord = 2 + 2 * 256;

    // True for a well-formed record; otherwise strProblem says what is wrong, as a technician
    // would want it told (which column, what was found, what was due).
    static bool Parse(std::string_view line, SRecordFields& fields, std::string& strProblem);

    // Bytes of address a record type carries; 0 for a type that does not exist (S4).
    static int AddressBytes(int nType);
    static bool IsData(int nType) { return nType >= 1 && nType <= 3; }
    static bool IsCount(int nType) { return nType == 5 || nType == 6; }
    static bool IsTermination(int nType) { return nType >= 7 && nType <= 9; }
};

} // namespace vantoro

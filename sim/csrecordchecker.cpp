#include "sim/csrecordchecker.h"

namespace vantoro {

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

} // namespace

int CSRecordChecker::AddressBytes(int nType) {
    switch (nType) {
    case 0:
    case 1:
    case 5:
    case 9:
        return 2;
    case 2:
    case 8:
        return 3;
    case 3:
    case 7:
        return 4;
    case 6:
        return 3;
    default:
        return 0;
    }
}

SRecordCheck CSRecordChecker::Check(std::string_view line) const {
    SRecordCheck result;
    // A line that arrived with a carriage return is still the same record.
    if (!line.empty() && line.back() == '\r') {
        line.remove_suffix(1);
    }
    if (line.size() < 4 || line[0] != 'S' || line[1] < '0' || line[1] > '9') {
        return result;
    }
    result.nType = line[1] - '0';
    const int nAddressBytes = AddressBytes(result.nType);
    if (nAddressBytes == 0 || (line.size() - 2) % 2 != 0) {
        return result;
    }
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 2; i < line.size(); i += 2) {
        const int nHigh = HexValue(line[i]);
        const int nLow = HexValue(line[i + 1]);
        if (nHigh < 0 || nLow < 0) {
            return result;
        }
        bytes.push_back(static_cast<std::uint8_t>(nHigh * 16 + nLow));
    }
    // Count byte, then address, data and checksum: exactly as many as it says.
    const std::size_t nCount = bytes[0];
    if (nCount + 1 != bytes.size() || nCount < static_cast<std::size_t>(nAddressBytes) + 1) {
        return result;
    }
    unsigned nSum = 0;
    for (std::size_t i = 0; i + 1 < bytes.size(); ++i) {
        nSum += bytes[i];
    }
    if (static_cast<std::uint8_t>(~nSum & 0xFF) != bytes.back()) {
        result.cReply = ')';
        return result;
    }
    for (int i = 0; i < nAddressBytes; ++i) {
        result.nAddress = (result.nAddress << 8) | bytes[1 + i];
    }
    if (result.nType >= 7) {
        result.cReply = '+';
        return result;
    }
    if (result.nType >= 1 && result.nType <= 3) {
        result.data.assign(bytes.begin() + 1 + nAddressBytes, bytes.end() - 1);
        const std::uint64_t nLast = static_cast<std::uint64_t>(result.nAddress) +
                                    (result.data.empty() ? 0 : result.data.size() - 1);
        if (result.nAddress < m_nLowest) {
            result.cReply = '<';
            return result;
        }
        if (nLast > m_nHighest) {
            result.cReply = '>';
            return result;
        }
    }
    result.cReply = 'C';
    return result;
}

} // namespace vantoro

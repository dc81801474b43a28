#include "srecord/csrecordline.h"

#include <cstdio>

namespace vantoro {

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

unsigned ByteAt(std::string_view line, std::size_t nIndex) {
    const std::size_t nColumn = 2 + 2 * nIndex;
    return static_cast<unsigned>(HexValue(line[nColumn]) * 16 + HexValue(line[nColumn + 1]));
}

std::string Printf(const char* pszFormat, unsigned long long a, unsigned long long b = 0,
                   unsigned long long c = 0) {
    char szText[160];
    std::snprintf(szText, sizeof szText, pszFormat, a, b, c);
    return szText;
}

} // namespace

int CSRecordLine::AddressBytes(int nType) {
    static constexpr int kAddressBytes[10] = {2, 2, 3, 4, 0, 2, 3, 4, 3, 2};
    return nType >= 0 && nType <= 9 ? kAddressBytes[nType] : 0;
}

bool CSRecordLine::Parse(std::string_view line, SRecordFields& fields, std::string& strProblem) {
    fields = SRecordFields();
    if (line.empty() || line[0] != 'S') {
        strProblem = "not an S-record: it does not begin with 'S'";
        return false;
    }
    if (line.size() < 2 || line[1] < '0' || line[1] > '9') {
        strProblem = "not an S-record: no record type (0 to 9) after 'S'";
        return false;
    }
    const int nType = line[1] - '0';
    const int nAddressBytes = AddressBytes(nType);
    if (nAddressBytes == 0) {
        strProblem = "S4 is not a record type";
        return false;
    }
    for (std::size_t i = 2; i < line.size(); ++i) {
        if (HexValue(line[i]) < 0) {
            strProblem = Printf("'%c' in column %llu is not a hex digit",
                                static_cast<unsigned char>(line[i]), i + 1);
            return false;
        }
    }
    const std::size_t nDigits = line.size() - 2;
    if (nDigits < 2) {
        strProblem = "the record has no byte count";
        return false;
    }
    if (nDigits % 2 != 0) {
        strProblem = Printf("%llu hex digits: a record holds whole bytes", nDigits);
        return false;
    }
    const std::size_t nBytes = nDigits / 2 - 1; // after the count byte
    const unsigned nCount = ByteAt(line, 0);
    if (nCount != nBytes) {
        strProblem = Printf("the byte count says %llu bytes, the line holds %llu", nCount, nBytes);
        return false;
    }
    if (nCount < static_cast<unsigned>(nAddressBytes) + 1) {
        strProblem = Printf("the byte count %llu is too short for an S%llu record's %llu-byte "
                            "address and its checksum",
                            nCount, static_cast<unsigned>(nType), nAddressBytes);
        return false;
    }
    unsigned nSum = 0;
    for (std::size_t i = 0; i < nBytes; ++i) // the count byte, the address and the data
        nSum += ByteAt(line, i);
    const unsigned nDue = ~nSum & 0xFF;
    const unsigned nGiven = ByteAt(line, nBytes);
    if (nGiven != nDue) {
        strProblem =
            Printf("the checksum is %02llX, the record's bytes call for %02llX", nGiven, nDue);
        return false;
    }
    fields.nType = nType;
    for (int i = 0; i < nAddressBytes; ++i)
        fields.nAddress = (fields.nAddress << 8) | ByteAt(line, 1 + static_cast<std::size_t>(i));
    fields.nDataBytes = nBytes - 1 - static_cast<std::size_t>(nAddressBytes);
    return true;
}

} // namespace vantoro

#include "fuzz/checks/srecordcheck.h"

#include "fuzz/checks/cfuzzinput.h"
#include "sim/csrecordchecker.h"

#include <cctype>
#include <cstdio>
#include <vector>

namespace vantoro {

namespace {

// Address bytes per record type, S0 to S9; 0 marks the type that does not exist.
constexpr int kAddressBytes[10] = {2, 2, 3, 4, 0, 2, 3, 4, 3, 2};

// The verdict worked out from first principles: decode, count, sum, then place the data.
char ExpectedReply(std::string_view line, std::uint32_t nLowest, std::uint32_t nHighest) {
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    if (line.size() < 4 || line[0] != 'S' || !std::isdigit(static_cast<unsigned char>(line[1])))
        return '(';
    const int nType = line[1] - '0';
    if (kAddressBytes[nType] == 0 || line.size() % 2 != 0)
        return '(';
    std::vector<unsigned> bytes;
    for (std::size_t i = 2; i < line.size(); i += 2) {
        unsigned nByte = 0;
        for (char c : line.substr(i, 2)) {
            if (!std::isxdigit(static_cast<unsigned char>(c)))
                return '(';
            nByte = nByte * 16 + static_cast<unsigned>(std::isdigit(static_cast<unsigned char>(c))
                                                           ? c - '0'
                                                           : std::tolower(c) - 'a' + 10);
        }
        bytes.push_back(nByte);
    }
    const std::size_t nAddressBytes = static_cast<std::size_t>(kAddressBytes[nType]);
    if (bytes[0] != bytes.size() - 1 || bytes.size() < nAddressBytes + 2)
        return '(';
    unsigned nSum = 0;
    for (std::size_t i = 0; i + 1 < bytes.size(); ++i)
        nSum += bytes[i];
    if (((nSum + bytes.back()) & 0xFF) != 0xFF)
        return ')';
    if (nType >= 7)
        return '+';
    if (nType < 1 || nType > 3)
        return 'C';
    std::uint64_t nAddress = 0;
    for (std::size_t i = 1; i <= nAddressBytes; ++i)
        nAddress = nAddress * 256 + bytes[i];
    const std::size_t nData = bytes.size() - 2 - nAddressBytes;
    if (nAddress < nLowest)
        return '<';
    if (nAddress + (nData == 0 ? 0 : nData - 1) > nHighest)
        return '>';
    return 'C';
}

// The record as a boot loader would rebuild it from what the checker reported.
std::string Reencode(const SRecordCheck& check) {
    const int nAddressBytes = kAddressBytes[check.nType];
    std::vector<unsigned> bytes = {
        static_cast<unsigned>(nAddressBytes + static_cast<int>(check.data.size()) + 1)};
    for (int i = nAddressBytes - 1; i >= 0; --i)
        bytes.push_back((check.nAddress >> (8 * i)) & 0xFF);
    bytes.insert(bytes.end(), check.data.begin(), check.data.end());
    unsigned nSum = 0;
    for (unsigned nByte : bytes)
        nSum += nByte;
    bytes.push_back(~nSum & 0xFF);
    std::string strLine = "S" + std::to_string(check.nType);
    char szByte[3];
    for (unsigned nByte : bytes) {
        std::snprintf(szByte, sizeof szByte, "%02X", nByte);
        strLine += szByte;
    }
    return strLine;
}

// The line with its hex digits (everything after the type) in upper case.
std::string UpperHex(std::string_view text) {
    std::string strUpper(text);
    for (std::size_t i = 2; i < strUpper.size(); ++i) {
        const char c = strUpper[i];
        if (c >= 'a' && c <= 'f')
            strUpper[i] = static_cast<char>(c - 'a' + 'A');
    }
    return strUpper;
}

std::string CheckAccepted(const CSRecordChecker& checker, std::string_view line,
                          const SRecordCheck& check) {
    if (check.cReply != 'C' || check.nType < 1 || check.nType > 3)
        return "";
    std::string_view bare = line;
    if (!bare.empty() && bare.back() == '\r')
        bare.remove_suffix(1);
    if (Reencode(check) != UpperHex(bare))
        return "the reported address and data do not rebuild the record";
    // One wrong checksum digit must never pass.
    std::string strBroken(bare);
    char& cLast = strBroken.back();
    cLast = cLast == '0' ? '1' : '0';
    if (checker.Check(strBroken).cReply != ')')
        return "a record with a wrong checksum is not answered ')'";
    return "";
}

} // namespace

std::string CheckSRecordInput(const std::uint8_t* pData, std::size_t nSize) {
    CFuzzInput input(pData, nSize);
    std::uint32_t nLowest = 0;
    std::uint32_t nHighest = 0xFFFFFFFFu;
    if (input.TakeByte() & 1) {
        nLowest = input.TakeUint32();
        nHighest = input.TakeUint32();
    }
    const std::string strLine = input.TakeRest();
    const CSRecordChecker checker(nLowest, nHighest);
    const SRecordCheck check = checker.Check(strLine);

    const std::string strReplies = "C+()<>";
    if (strReplies.find(check.cReply) == std::string::npos || check.cReply == '\0')
        return std::string("reply '") + check.cReply + "' is none the boot loader sends";
    const char cExpected = ExpectedReply(strLine, nLowest, nHighest);
    if (check.cReply != cExpected)
        return std::string("reply '") + check.cReply + "' where the record calls for '" +
               cExpected + "'";
    if (check.cReply != '(' && (check.nType < 0 || check.nType > 9))
        return "an accepted record has no type";
    if (checker.Check(UpperHex(strLine)).cReply != check.cReply)
        return "hex digits in lower case change the verdict";
    if (strLine.empty() || strLine.back() != '\r') {
        if (checker.Check(strLine + "\r").cReply != check.cReply)
            return "a carriage return at the end changes the verdict";
    }
    return CheckAccepted(checker, strLine, check);
}

} // namespace vantoro

#include "srecord/cfilecheck.h"

#include "platform/cregularfile.h"
#include "srecord/csrecordline.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

namespace vantoro {

namespace {

constexpr char kLineFeed = '\n';
constexpr char kCarriageReturn = '\r';
constexpr char kCtrlZ = 0x1A;

std::string Hex(std::uint64_t nValue) {
    char szText[24];
    std::snprintf(szText, sizeof szText, "0x%llX", static_cast<unsigned long long>(nValue));
    return szText;
}

} // namespace

void CFileCheck::Feed(const char* pData, std::size_t nLength) {
    m_sha.Update(pData, nLength);
    const char* p = pData;
    const char* const pEnd = pData + nLength;
    while (p < pEnd) {
        if (m_bEnded) {
            m_nAfterEnd += static_cast<std::uint64_t>(pEnd - p);
            return;
        }
        // The plain bytes of a line up to the next byte that means something to the reading.
        const char* pStop = p;
        while (pStop < pEnd && *pStop != kLineFeed && *pStop != kCarriageReturn && *pStop != kCtrlZ)
            ++pStop;
        if (pStop != p) {
            if (m_bPendingCr) {
                m_bPendingCr = false;
                TakeLineByte(kCarriageReturn); // only a carriage return before a line feed goes
            }
            TakeLineBytes(p, static_cast<std::size_t>(pStop - p));
            p = pStop;
            continue;
        }
        const char c = *p++;
        if (c == kCtrlZ) {
            m_bEnded = true;
            m_nEndLine = m_nLine + 1;
        } else if (c == kLineFeed) {
            m_bPendingCr = false;
            EndLine();
        } else { // a carriage return: dropped if a line feed follows
            if (m_bPendingCr)
                TakeLineByte(kCarriageReturn);
            m_bPendingCr = true;
            m_bLineOpen = true;
        }
    }
}

void CFileCheck::TakeLineBytes(const char* pBytes, std::size_t nCount) {
    m_bLineOpen = true;
    if (m_nBadByteColumn == 0) {
        for (std::size_t i = 0; i < nCount; ++i) {
            const auto cByte = static_cast<unsigned char>(pBytes[i]);
            if (cByte < 0x20 || cByte > 0x7E) {
                m_nBadByteColumn = m_nLineLength + i + 1;
                m_cBadByte = cByte;
                break;
            }
        }
    }
    m_nLineLength += nCount;
    const std::size_t nRoom = CSRecordLine::kLongestRecord + 1 -
                              std::min(m_strLine.size(), CSRecordLine::kLongestRecord + 1);
    m_strLine.append(pBytes, std::min(nCount, nRoom));
}

void CFileCheck::TakeLineByte(char c) {
    TakeLineBytes(&c, 1);
}

void CFileCheck::EndLine() {
    const std::uint64_t nLine = ++m_nLine;
    if (m_nBadByteColumn != 0 && m_cBadByte == kCarriageReturn) {
        AddError(nLine, "a carriage return without a line feed in column " +
                            std::to_string(m_nBadByteColumn) +
                            ": lines that end in CR alone (old Mac line ends) are one line to "
                            "the update; save the file with LF or CR LF line ends");
    } else if (m_nBadByteColumn != 0) {
        char szText[96];
        std::snprintf(szText, sizeof szText,
                      "byte 0x%02X in column %llu is not printable text: not an S-record",
                      m_cBadByte, static_cast<unsigned long long>(m_nBadByteColumn));
        AddError(nLine, szText);
    } else if (m_nLineLength == 0 && m_nTerminationLine != 0) {
        AddWarning(nLine, "empty line after the termination record of line " +
                              std::to_string(m_nTerminationLine) +
                              ": never sent, the update ends at the termination record");
    } else if (m_nLineLength == 0) {
        AddWarning(nLine, "empty line: it is sent as a lone line feed, which the equipment "
                          "may answer as a bad record");
    } else if (m_nLineLength > CSRecordLine::kLongestRecord) {
        AddError(nLine, std::to_string(m_nLineLength) +
                            " characters: longer than any S-record (at most " +
                            std::to_string(CSRecordLine::kLongestRecord) + ")");
    } else {
        SRecordFields fields;
        std::string strProblem;
        if (CSRecordLine::Parse(m_strLine, fields, strProblem))
            CheckRecord(fields);
        else
            AddError(nLine, strProblem);
    }
    m_strLine.clear();
    m_nLineLength = 0;
    m_nBadByteColumn = 0;
    m_bLineOpen = false;
}

void CFileCheck::CheckRecord(const SRecordFields& fields) {
    const std::uint64_t nLine = m_nLine;
    if (m_nTerminationLine != 0) {
        const std::string strAfter =
            "after the termination record of line " + std::to_string(m_nTerminationLine);
        if (CSRecordLine::IsData(fields.nType))
            AddError(nLine, "data record " + strAfter +
                                ": the equipment has finished by then "
                                "and never programs it");
        else
            AddWarning(nLine, "S" + std::to_string(fields.nType) + " record " + strAfter +
                                  " is never sent");
        return;
    }
    if (fields.nType == 0) {
        m_bHeader = true;
    } else if (CSRecordLine::IsData(fields.nType)) {
        CheckData(fields);
    } else if (CSRecordLine::IsCount(fields.nType)) {
        if (fields.nAddress != m_nDataRecords)
            AddError(nLine, "the count record says " + std::to_string(fields.nAddress) +
                                " data records, " + std::to_string(m_nDataRecords) +
                                " come before it");
    } else if (CSRecordLine::IsTermination(fields.nType)) {
        m_nTerminationLine = nLine;
        m_verdict.bHasStart = true;
        m_verdict.nStartAddress = fields.nAddress;
    }
}

void CFileCheck::CheckData(const SRecordFields& fields) {
    ++m_nDataRecords;
    m_verdict.nDataBytes += fields.nDataBytes;
    if (fields.nDataBytes == 0)
        return;
    const int nWidthBits = 8 * CSRecordLine::AddressBytes(fields.nType);
    const std::uint64_t nHighest = (std::uint64_t{1} << nWidthBits) - 1;
    const std::uint64_t nLast = std::uint64_t{fields.nAddress} + fields.nDataBytes - 1;
    if (nLast > nHighest) {
        // The equipment would find out only after it has erased itself.
        AddError(m_nLine, "data at " + Hex(fields.nAddress) + "-" + Hex(nLast) + " runs past " +
                              Hex(nHighest) + ", the highest address of an S" +
                              std::to_string(fields.nType) + " record (" +
                              std::to_string(nWidthBits) + "-bit addresses)");
        return;
    }
    if (m_ranges.Add(fields.nAddress, fields.nDataBytes)) {
        AddWarning(m_nLine, "data at " + Hex(fields.nAddress) + "-" +
                                Hex(fields.nAddress + fields.nDataBytes - 1) +
                                " overlaps data given before");
    }
}

void CFileCheck::AddError(std::uint64_t nLine, std::string strText) {
    if (m_verdict.errors.size() < CFileVerdict::kMostKept)
        m_verdict.errors.push_back({nLine, std::move(strText)});
    ++m_verdict.nErrors;
}

void CFileCheck::AddWarning(std::uint64_t nLine, std::string strText) {
    if (m_verdict.warnings.size() < CFileVerdict::kMostKept)
        m_verdict.warnings.push_back({nLine, std::move(strText)});
    ++m_verdict.nWarnings;
}

CFileVerdict CFileCheck::Finish() {
    if (m_bPendingCr)
        TakeLineByte(kCarriageReturn); // a carriage return at the very end is sent as it is
    if (m_bLineOpen)
        EndLine(); // a last line without a line feed is a record like the others
    m_verdict.nRecords = m_nLine;
    if (m_nLine == 0) {
        AddError(0, "the file is empty: it holds no records");
    } else if (m_nTerminationLine == 0) {
        AddError(0, "no termination record (S7, S8 or S9) after line " + std::to_string(m_nLine) +
                        ": the equipment never hears that the update is complete; ask the "
                        "tool that made the file to write one (it writes one when given a "
                        "start address)");
    }
    if (m_nLine > 0 && !m_bHeader)
        AddWarning(0, "no header record (S0)");
    if (m_nAfterEnd > 0)
        AddWarning(m_nEndLine, "Ctrl-Z ends the file here: the " + std::to_string(m_nAfterEnd) +
                                   " bytes after it are never sent");
    m_verdict.ranges = m_ranges.Ranges();
    m_verdict.bRangesIncomplete = m_ranges.IsIncomplete();
    m_verdict.strSha256 = m_sha.FinishHex();
    return std::move(m_verdict);
}

bool CFileCheck::CheckFile(const std::string& strPath, CFileVerdict& verdict,
                           std::string& strError) {
    return CheckFile(strPath, verdict, strError, ProgressFunction());
}

bool CFileCheck::CheckFile(const std::string& strPath, CFileVerdict& verdict, std::string& strError,
                           const ProgressFunction& progress) {
    // A pipe given as the file cannot hang the caller: only a regular file is opened.
    CRegularFile file;
    if (!file.Open(strPath, strError))
        return false;
    CFileIdentity identity;
    const std::uint64_t nSize =
        file.GetIdentity(identity) ? static_cast<std::uint64_t>(identity.nSize) : 0;
    CFileCheck check;
    std::vector<char> buffer(64 * 1024);
    std::uint64_t nDone = 0;
    for (;;) {
        if (progress && !progress(nDone, nSize)) {
            strError = kStoppedReason;
            return false;
        }
        const std::ptrdiff_t nRead = file.Read(buffer.data(), buffer.size());
        if (nRead < 0) {
            strError = std::strerror(errno);
            return false;
        }
        if (nRead == 0)
            break;
        check.Feed(buffer.data(), static_cast<std::size_t>(nRead));
        nDone += static_cast<std::uint64_t>(nRead);
    }
    verdict = check.Finish();
    return true;
}

} // namespace vantoro

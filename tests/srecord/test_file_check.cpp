// The file check against files a technician could pick by mistake, and against good ones in every
// text form the update reads.
#include "platform/testtempfolder.h"
#include "srecord/cfilecheck.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

using namespace vantoro;
using namespace vantoro::test;

namespace {

// A record with a correct count and checksum, built from first principles.
std::string Record(int nType, std::uint32_t nAddress, const std::string& strData = "") {
    static constexpr int kAddressBytes[10] = {2, 2, 3, 4, 0, 2, 3, 4, 3, 2};
    const int nAddressBytes = kAddressBytes[nType];
    std::vector<unsigned> bytes{static_cast<unsigned>(nAddressBytes + strData.size() + 1)};
    for (int i = nAddressBytes - 1; i >= 0; --i)
        bytes.push_back((nAddress >> (8 * i)) & 0xFF);
    for (char c : strData)
        bytes.push_back(static_cast<unsigned char>(c));
    unsigned nSum = 0;
    for (unsigned nByte : bytes)
        nSum += nByte;
    bytes.push_back(~nSum & 0xFF);
    std::string strLine = "S" + std::to_string(nType);
    char szByte[3];
    for (unsigned nByte : bytes) {
        std::snprintf(szByte, sizeof szByte, "%02X", nByte);
        strLine += szByte;
    }
    return strLine;
}

const std::string kHeader = Record(0, 0, "HDR");
const std::string kData1 = Record(1, 0x1000, std::string(16, 'A'));
const std::string kData2 = Record(1, 0x1010, std::string(16, 'B'));
const std::string kEnd = Record(9, 0x1000);
const std::string kGood = kHeader + "\n" + kData1 + "\n" + kData2 + "\n" + kEnd + "\n";

// The hex digits in lower case, as some tools write them.
std::string Lower(std::string strLine) {
    for (std::size_t i = 2; i < strLine.size(); ++i)
        strLine[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(strLine[i])));
    return strLine;
}

CFileVerdict Check(const std::string& strContent, std::size_t nPiece = 7) {
    CFileCheck check;
    // In small pieces: every rule must hold across the reader's block edges.
    for (std::size_t i = 0; i < strContent.size(); i += nPiece)
        check.Feed(strContent.data() + i, std::min(nPiece, strContent.size() - i));
    return check.Finish();
}

struct BadFile {
    const char* pszName;
    std::string strContent;
    std::uint64_t nFirstErrorLine; // 0: the file as a whole
    const char* pszErrorWords;
};

class FileCheckRefuses : public testing::TestWithParam<BadFile> {};

} // namespace

TEST_P(FileCheckRefuses, WithTheFirstErrorAtItsLine) {
    const BadFile& bad = GetParam();
    const CFileVerdict verdict = Check(bad.strContent);
    ASSERT_TRUE(verdict.HasErrors());
    ASSERT_FALSE(verdict.errors.empty());
    EXPECT_EQ(verdict.errors.front().nLine, bad.nFirstErrorLine);
    EXPECT_NE(verdict.errors.front().strText.find(bad.pszErrorWords), std::string::npos)
        << verdict.errors.front().strText;
}

INSTANTIATE_TEST_SUITE_P(
    Table, FileCheckRefuses,
    testing::Values(
        BadFile{"TextFile", "Release notes\nsee the manual\n", 1, "does not begin with 'S'"},
        BadFile{"Empty", "", 0, "empty"}, BadFile{"OnlyCtrlZ", "\x1a" + kGood, 0, "empty"},
        BadFile{"Binary",
                std::string("\x7f"
                            "ELF\x02\x01\x01\0\0",
                            9) +
                    kGood,
                1, "byte 0x7F in column 1"},
        BadFile{"TruncatedMidRecord", kHeader + "\n" + kData1.substr(0, 20), 2, "byte count"},
        BadFile{"BadChecksum", kHeader + "\n" + kData1.substr(0, kData1.size() - 2) + "00\n" + kEnd,
                2, "checksum"},
        BadFile{"WrongByteCount", kHeader + "\nS1" + "14" + kData1.substr(4) + "\n" + kEnd, 2,
                "byte count says 20"},
        BadFile{"CountTooShortForAddress", "S10210ED\n" + kEnd, 1, "too short"},
        BadFile{"S4", kHeader + "\nS4030000FC\n" + kEnd, 2, "S4"},
        BadFile{"NoType", kHeader + "\nSX\n" + kEnd, 2, "no record type"},
        BadFile{"NotHex",
                kHeader + "\n" + kData1.substr(0, 10) + "G" + kData1.substr(11) + "\n" + kEnd, 2,
                "'G' in column 11"},
        BadFile{"OddDigits", kHeader + "\n" + kData1 + "0\n" + kEnd, 2, "whole bytes"},
        BadFile{"NoTerminator", kHeader + "\n" + kData1 + "\n", 0,
                "after line 2: the equipment never hears that the update is complete; ask the "
                "tool that made the file to write one"},
        BadFile{"DataAfterTerminator", kGood + kData1 + "\n", 5, "after the termination record"},
        BadFile{"CountRecordWrong", kHeader + "\n" + kData1 + "\n" + Record(5, 3) + "\n" + kEnd, 3,
                "says 3 data records, 1 come"},
        BadFile{"LineLongerThanAnyRecord", kHeader + "\nS1" + std::string(600, '0') + "\n" + kEnd,
                2, "602 characters"},
        BadFile{"LoneCarriageReturn", kHeader + "\n" + kData1 + "\r" + kData2 + "\n" + kEnd, 2,
                "carriage return without a line feed in column 43"},
        BadFile{"CarriageReturnOnlyLineEnds", kHeader + "\r" + kData1 + "\r" + kEnd + "\r", 1,
                "CR alone"},
        BadFile{"S1PastSixteenBits",
                kHeader + "\n" + Record(1, 0xFFF8, std::string(16, 'D')) + "\n" + kEnd, 2,
                "0xFFF8-0x10007 runs past 0xFFFF, the highest address of an S1 record"},
        BadFile{"S2PastTwentyFourBits",
                kHeader + "\n" + Record(2, 0xFFFFFF, "DD") + "\n" + Record(8, 0), 2,
                "runs past 0xFFFFFF"},
        BadFile{"S3PastThirtyTwoBits",
                kHeader + "\n" + Record(3, 0xFFFFFFF8, std::string(16, 'D')) + "\n" + Record(7, 0),
                2, "0xFFFFFFF8-0x100000007 runs past 0xFFFFFFFF"},
        BadFile{"TabInside", kHeader + "\t\n" + kEnd, 1, "byte 0x09"}),
    [](const testing::TestParamInfo<BadFile>& info) { return info.param.pszName; });

TEST(FileCheck, AcceptsEveryTextFormTheUpdateReads) {
    const std::pair<const char*, std::string> cases[] = {
        {"plain", kGood},
        {"CR LF", kHeader + "\r\n" + kData1 + "\r\n" + kData2 + "\r\n" + kEnd + "\r\n"},
        {"no last line feed", kGood.substr(0, kGood.size() - 1)},
        {"Ctrl-Z after the end", kGood + "\x1a"},
        {"lower-case hex", Lower(Record(1, 0x1000, "\xab\xcd")) + "\n" + Lower(kEnd)},
        // A data record without data bytes is still a data record to the count after it.
        {"empty data record, then S5",
         kData1 + "\n" + Record(1, 0x2000) + "\n" + Record(5, 2) + "\n" + kEnd},
        {"empty data record, then S6", Record(3, 0x30000) + "\n" + Record(6, 1) + "\n" + kEnd},
    };
    for (const auto& [pszName, strContent] : cases) {
        SCOPED_TRACE(pszName);
        const CFileVerdict verdict = Check(strContent);
        EXPECT_FALSE(verdict.HasErrors()) << verdict.Summary();
    }
    // One byte at a time, the CR LF pairs split everywhere.
    EXPECT_FALSE(Check(kHeader + "\r\n" + kData1 + "\r\n" + kEnd + "\r\n", 1).HasErrors());
}

TEST(FileCheck, FactsOfAGoodFile) {
    const CFileVerdict verdict = Check(kGood);
    EXPECT_EQ(verdict.nRecords, 4u);
    EXPECT_EQ(verdict.nDataBytes, 32u);
    EXPECT_EQ(verdict.RangesText(8), "0x1000-0x101F");
    EXPECT_EQ(verdict.StartText(), "0x1000");
    EXPECT_EQ(verdict.nWarnings, 0u);
    EXPECT_EQ(verdict.Summary(), "4 Records, 0x1000-0x101F, no errors");
    // The digest of the bytes as stored, as sha256sum gives it.
    EXPECT_EQ(Check("abc").strSha256,
              "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
}

TEST(FileCheck, WarnsWithoutRefusing) {
    const std::string strGap = Record(2, 0x20000, "XY");
    const std::string strOverlap = Record(1, 0x1008, "CC");
    const CFileVerdict verdict =
        Check(kData1 + "\n\n" + strGap + "\n" + strOverlap + "\n" + kEnd + "\n\x1aS0garbage");
    EXPECT_FALSE(verdict.HasErrors()) << verdict.Summary();
    ASSERT_EQ(verdict.nWarnings, 4u);
    EXPECT_EQ(verdict.warnings[0].ToText(), "line 2: empty line: it is sent as a lone line feed, "
                                            "which the equipment may answer as a bad record");
    EXPECT_EQ(verdict.warnings[1].nLine, 4u);
    EXPECT_NE(verdict.warnings[1].strText.find("0x1008-0x1009 overlaps"), std::string::npos);
    EXPECT_EQ(verdict.warnings[2].ToText(), "no header record (S0)");
    EXPECT_EQ(verdict.warnings[3].ToText(),
              "line 6: Ctrl-Z ends the file here: the 9 bytes after it are never sent");
    EXPECT_EQ(verdict.RangesText(8), "0x001000-0x00100F, 0x020000-0x020001");
    EXPECT_EQ(verdict.nRecords, 5u);
}

// The update ends at the termination record: blank lines after it never reach the equipment,
// and the last address of each width is still an address.
TEST(FileCheck, BlankLinesAfterTheEndAreNeverSentAndFullWidthDataIsFine) {
    const CFileVerdict verdict = Check(kGood + "\n\r\n");
    EXPECT_FALSE(verdict.HasErrors()) << verdict.Summary();
    ASSERT_EQ(verdict.warnings.size(), 2u);
    EXPECT_EQ(verdict.warnings[0].ToText(), "line 5: empty line after the termination record of "
                                            "line 4: never sent, the update ends at the "
                                            "termination record");
    const CFileVerdict top =
        Check(Record(1, 0xFFF0, std::string(16, 'E')) + "\n" +
              Record(3, 0xFFFFFFF0, std::string(16, 'F')) + "\n" + Record(7, 0x80000000) + "\n");
    EXPECT_FALSE(top.HasErrors()) << top.Summary();
    EXPECT_EQ(top.RangesText(4), "0x0000FFF0-0x0000FFFF, 0xFFFFFFF0-0xFFFFFFFF");
    EXPECT_EQ(top.StartText(), "0x80000000");
}

TEST(FileCheck, FindingsAreCappedButAllCounted) {
    std::string strText;
    for (int i = 0; i < 1000; ++i)
        strText += "x\n";
    const CFileVerdict verdict = Check(strText, 4096);
    EXPECT_EQ(verdict.nErrors, 1001u); // every line, and no termination record
    EXPECT_EQ(verdict.errors.size(), CFileVerdict::kMostKept);
    EXPECT_EQ(verdict.errors.back().nLine, CFileVerdict::kMostKept);
}

TEST(FileCheck, ScatteredDataStopsBeingTrackedAtTheLimit) {
    CAddressRanges ranges;
    for (std::uint64_t i = 0; i < CAddressRanges::kMostRanges; ++i)
        EXPECT_FALSE(ranges.Add(i * 4, 2));
    EXPECT_FALSE(ranges.IsIncomplete());
    EXPECT_FALSE(ranges.Add(1u << 30, 1)); // no room for a range of its own
    EXPECT_TRUE(ranges.IsIncomplete());
    EXPECT_TRUE(ranges.Add(5, 2));  // grows a range it overlaps, full or not
    EXPECT_FALSE(ranges.Add(2, 2)); // fills the gap between two ranges: one fewer
    const std::vector<AddressRange> merged = ranges.Ranges();
    ASSERT_EQ(merged.size(), CAddressRanges::kMostRanges - 1);
    EXPECT_EQ(merged[0].nFirst, 0u);
    EXPECT_EQ(merged[0].nLast, 6u);
}

// A gigabyte without a line feed (a sparse file: it costs no disk) is refused at line 1 without
// its line ever being held.
TEST(FileCheck, OneGigabyteLineIsCheckedInBoundedMemory) {
    CTempFolder tmp;
    const std::string strPath = tmp / "huge.s19";
    {
        const int fd = ::open(strPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::ftruncate(fd, 1LL << 30), 0);
        ::close(fd);
    }
    rusage before{};
    ::getrusage(RUSAGE_SELF, &before);
    CFileVerdict verdict;
    std::string strError;
    ASSERT_TRUE(CFileCheck::CheckFile(strPath, verdict, strError)) << strError;
    rusage after{};
    ::getrusage(RUSAGE_SELF, &after);
    EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 16 * 1024) << "kB of peak memory added";
    ASSERT_EQ(verdict.nErrors, 2u);
    EXPECT_EQ(verdict.errors[0].ToText(),
              "line 1: byte 0x00 in column 1 is not printable text: not an S-record");
    EXPECT_EQ(verdict.nRecords, 1u);
}

TEST(FileCheck, WhatIsNoFileIsRefusedWithTheReason) {
    CTempFolder tmp;
    CFileVerdict verdict;
    std::string strError;
    EXPECT_FALSE(CFileCheck::CheckFile(tmp / "missing.s19", verdict, strError));
    EXPECT_EQ(strError, "No such file or directory");
    EXPECT_FALSE(CFileCheck::CheckFile(tmp.Path(), verdict, strError));
    EXPECT_EQ(strError, "it is a directory");
    ASSERT_EQ(::mkfifo((tmp / "fifo").c_str(), 0600), 0);
    EXPECT_FALSE(CFileCheck::CheckFile(tmp / "fifo", verdict, strError)); // and does not hang
    EXPECT_EQ(strError, "it is a FIFO");
}

// Text-mode corners of the code file; the plain cases (CR LF, Ctrl-Z, a missing last line feed, a
// 1 MB line, a file replaced by rename) are checked end to end.
#include "platform/testtempfolder.h"
#include "update/ccodefile.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace vantoro;
using namespace vantoro::test;
using Records = std::vector<std::string>;

namespace {

// Every record of the file, in order, as the update would send them.
Records ReadAll(CCodeFile& file) {
    Records records;
    std::string strLine;
    while (file.ReadRecord(strLine) == CCodeFile::Record)
        records.push_back(strLine);
    return records;
}

} // namespace

TEST(CodeFile, TextModeLinesAreCountedAndReadBack) {
    const std::pair<std::string, Records> cases[] = {
        {"", {}},
        {"S1A\n\nS1B\n", {"S1A", "", "S1B"}}, // a blank line is a record
        {"S1\rA\nB\r", {"S1\rA", "B\r"}},     // a lone carriage return is data
        {"A\r\r\n", {"A\r"}},
        {"\x1aS1A\n", {}},
        // A CR LF split across the reader's 64 KiB chunks.
        {std::string(64 * 1024 - 1, 'A') + "\r\nS9\r\n", {std::string(64 * 1024 - 1, 'A'), "S9"}},
    };
    CTempFolder tmp;
    for (const auto& [strContent, records] : cases) {
        SCOPED_TRACE(strContent.substr(0, 12));
        WriteTextFile(tmp / "code.s19", strContent);
        CCodeFile file;
        ASSERT_TRUE(file.OpenAndCount(tmp / "code.s19"));
        EXPECT_EQ(file.GetRecordsTotal(), static_cast<int>(records.size()));
        EXPECT_EQ(ReadAll(file), records);
        std::string strLine = "left over";
        EXPECT_EQ(file.ReadRecord(strLine), CCodeFile::EndOfFile);
        EXPECT_TRUE(strLine.empty());
    }
}

TEST(CodeFile, WhatCannotBeOpenedIsRefused) {
    CTempFolder tmp;
    CCodeFile file;
    ASSERT_EQ(::mkfifo((tmp / "fifo").c_str(), 0600), 0);
    // A pipe must not hang either.
    for (const std::string& strPath :
         {tmp / "missing.s19", tmp.Path(), tmp / "fifo", std::string("/dev/zero")})
        EXPECT_FALSE(file.OpenAndCount(strPath)) << strPath;
    EXPECT_FALSE(file.IsOpen());
    EXPECT_EQ(file.GetRecordsTotal(), 0);
    std::string strLine;
    EXPECT_EQ(file.ReadRecord(strLine), CCodeFile::ReadError);
}

TEST(CodeFile, AChangedFileIsNeverMixedIn) {
    struct Case {
        const char* pszName;
        bool bNoticedAtOnce; // else: at the latest before the first changed byte is returned
        void (*pfnChange)(const std::string& strPath);
    };
    const Case cases[] = {
        {"appended", true,
         [](const std::string& p) {
             std::ofstream(p, std::ios::app | std::ios::binary) << "S1X\n";
         }},
        {"rewritten in place, same size", false,
         [](const std::string& p) {
             std::fstream f(p, std::ios::in | std::ios::out | std::ios::binary);
             f.seekp(-4, std::ios::end);
             f << "S1Z";
         }},
        {"truncated", true, [](const std::string& p) { ASSERT_EQ(::truncate(p.c_str(), 4), 0); }},
        {"deleted", true, [](const std::string& p) { ASSERT_EQ(::unlink(p.c_str()), 0); }},
    };
    // Larger than one read buffer, so part of it is still unread when it changes.
    Records original = {"S1A"};
    for (int i = 0; i < 2000; ++i)
        original.push_back("S113" + std::string(60, static_cast<char>('0' + i % 10)));
    original.push_back("S1C");
    std::string strContent;
    for (const std::string& strRecord : original)
        strContent += strRecord + "\n";
    CTempFolder tmp;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pszName);
        WriteTextFile(tmp / "code.s19", strContent);
        CCodeFile file;
        ASSERT_TRUE(file.OpenAndCount(tmp / "code.s19"));
        std::string strLine;
        ASSERT_EQ(file.ReadRecord(strLine), CCodeFile::Record);
        c.pfnChange(tmp / "code.s19");
        std::size_t nRead = 1;
        CCodeFile::ReadResult result;
        while ((result = file.ReadRecord(strLine)) == CCodeFile::Record) {
            ASSERT_LT(nRead, original.size());
            EXPECT_EQ(strLine, original[nRead++]);
        }
        EXPECT_EQ(result, CCodeFile::ReadError);
        if (c.bNoticedAtOnce) {
            EXPECT_EQ(nRead, 1u);
        }
        EXPECT_EQ(file.ReadRecord(strLine), CCodeFile::ReadError); // and it stays failed
    }
}

// A line of any length is read in pieces that rebuild it byte for byte, carriage returns
// included wherever a piece ends, and counting a huge line never holds it.
TEST(CodeFile, LongLinesComeInPiecesAndAreCountedInBoundedMemory) {
    CTempFolder tmp;
    std::string strLong;
    for (int i = 0; i < 200000; ++i)
        strLong += static_cast<char>(i % 7 == 0 ? '\r' : 'A' + i % 26);
    WriteTextFile(tmp / "code.s19", strLong + "\r\nS9\r\n\r\n");
    CCodeFile file;
    ASSERT_TRUE(file.OpenAndCount(tmp / "code.s19"));
    EXPECT_EQ(file.GetRecordsTotal(), 3);
    Records records(1);
    std::string strPart;
    bool bComplete = false;
    while (file.ReadRecordPart(strPart, 4096, bComplete) == CCodeFile::Record) {
        EXPECT_LE(strPart.size(), 4097u);
        records.back() += strPart;
        if (bComplete)
            records.emplace_back();
    }
    records.pop_back();
    EXPECT_EQ(records, Records({strLong, "S9", ""}));

    // A gigabyte without a line feed: a sparse file, no disk used.
    const std::string strHuge = tmp / "huge.s19";
    ASSERT_EQ(::truncate((tmp / "code.s19").c_str(), 0), 0);
    WriteTextFile(strHuge, "");
    ASSERT_EQ(::truncate(strHuge.c_str(), 256LL << 20), 0);
    rusage before{};
    ::getrusage(RUSAGE_SELF, &before);
    ASSERT_TRUE(file.OpenAndCount(strHuge));
    rusage after{};
    ::getrusage(RUSAGE_SELF, &after);
    EXPECT_EQ(file.GetRecordsTotal(), 1);
    EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 16 * 1024) << "kB of peak memory added";
}

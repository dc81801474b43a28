#include "update/ccodefile.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

using namespace vantoro;

namespace {

class CodeFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = std::filesystem::temp_directory_path() /
                ("vantoro-codefile-" + std::to_string(::getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(m_dir);
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }

    std::string Write(const std::string& strContent, const std::string& strName = "code.s19") {
        const std::string strPath = (m_dir / strName).string();
        std::ofstream(strPath, std::ios::binary) << strContent;
        return strPath;
    }

    // Every record of the file, in order, as the update would send them.
    static std::vector<std::string> Records(CCodeFile& file) {
        std::vector<std::string> records;
        std::string strLine;
        while (file.ReadRecord(strLine) == CCodeFile::Record) {
            records.push_back(strLine);
        }
        return records;
    }

    std::filesystem::path m_dir;
};

} // namespace

TEST_F(CodeFileTest, TextModeLinesAreCountedAndReadBack) {
    struct Case {
        const char* pszName;
        std::string strContent;
        std::vector<std::string> records;
    };
    const std::vector<Case> cases = {
        {"empty", "", {}},
        {"crlf", "S1A\r\nS1B\r\n", {"S1A", "S1B"}},
        {"no final line feed", "S1A\nS1B", {"S1A", "S1B"}},
        {"blank line is a record", "S1A\n\nS1B\n", {"S1A", "", "S1B"}},
        {"lone carriage return kept", "S1\rA\nB\r", {"S1\rA", "B\r"}},
        {"two carriage returns", "A\r\r\n", {"A\r"}},
        {"ctrl-z ends the file", "S1A\nS1B\x1aS1C\nS1D\n", {"S1A", "S1B"}},
        {"ctrl-z at the start", std::string("\x1a") + "S1A\n", {}},
        {"zero byte is data", std::string("A\0B\n", 4), {std::string("A\0B", 3)}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pszName);
        CCodeFile file;
        ASSERT_TRUE(file.OpenAndCount(Write(c.strContent)));
        EXPECT_EQ(file.GetRecordsTotal(), static_cast<int>(c.records.size()));
        EXPECT_EQ(Records(file), c.records);
        std::string strLine = "left over";
        EXPECT_EQ(file.ReadRecord(strLine), CCodeFile::EndOfFile);
        EXPECT_TRUE(strLine.empty());
    }
}

TEST_F(CodeFileTest, LongLinesAndLineEndsAcrossReadBuffers) {
    // A CR LF split across the reader's 64 KiB chunks, and a 1 MB line.
    const std::string strFirst(64 * 1024 - 1, 'A');
    const std::string strHuge(1024 * 1024, 'B');
    CCodeFile file;
    ASSERT_TRUE(file.OpenAndCount(Write(strFirst + "\r\n" + strHuge + "\r\nS9\r\n")));
    EXPECT_EQ(file.GetRecordsTotal(), 3);
    const std::vector<std::string> records = Records(file);
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0], strFirst);
    EXPECT_EQ(records[1], strHuge);
    EXPECT_EQ(records[2], "S9");
}

TEST_F(CodeFileTest, WhatCannotBeOpenedIsRefused) {
    CCodeFile file;
    EXPECT_FALSE(file.OpenAndCount((m_dir / "missing.s19").string()));
    EXPECT_FALSE(file.OpenAndCount(m_dir.string())); // a directory
    const std::string strFifo = (m_dir / "fifo").string();
    ASSERT_EQ(::mkfifo(strFifo.c_str(), 0600), 0);
    EXPECT_FALSE(file.OpenAndCount(strFifo)); // must not hang either
    EXPECT_FALSE(file.OpenAndCount("/dev/zero"));
    EXPECT_FALSE(file.IsOpen());
    EXPECT_EQ(file.GetRecordsTotal(), 0);
    std::string strLine;
    EXPECT_EQ(file.ReadRecord(strLine), CCodeFile::ReadError);
}

TEST_F(CodeFileTest, ReopeningStartsAgainFromTheTop) {
    CCodeFile file;
    const std::string strPath = Write("A\nB\n");
    ASSERT_TRUE(file.OpenAndCount(strPath));
    std::string strLine;
    ASSERT_EQ(file.ReadRecord(strLine), CCodeFile::Record);
    file.AddRecordSent();
    file.CloseIfOpen();
    EXPECT_FALSE(file.IsOpen());
    ASSERT_TRUE(file.OpenAndCount(strPath));
    EXPECT_EQ(file.GetRecordsSent(), 0);
    EXPECT_EQ(Records(file), (std::vector<std::string>{"A", "B"}));
}

TEST_F(CodeFileTest, AChangedOrReplacedFileIsNeverMixedIn) {
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
        {"replaced by rename", true,
         [](const std::string& p) {
             std::ofstream(p + ".new", std::ios::binary) << "S1A\nS1B\nS1C\n";
             ASSERT_EQ(std::rename((p + ".new").c_str(), p.c_str()), 0);
         }},
        {"deleted", true, [](const std::string& p) { ASSERT_EQ(::unlink(p.c_str()), 0); }},
    };
    // Larger than one read buffer, so part of it is still unread when it changes.
    std::vector<std::string> original = {"S1A"};
    for (int i = 0; i < 2000; ++i) {
        original.push_back("S113" + std::string(60, static_cast<char>('0' + i % 10)));
    }
    original.push_back("S1C");
    std::string strContent;
    for (const std::string& strRecord : original) {
        strContent += strRecord + "\n";
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pszName);
        const std::string strPath = Write(strContent);
        CCodeFile file;
        ASSERT_TRUE(file.OpenAndCount(strPath));
        std::string strLine;
        ASSERT_EQ(file.ReadRecord(strLine), CCodeFile::Record);
        c.pfnChange(strPath);
        std::size_t nRead = 1;
        CCodeFile::ReadResult result;
        while ((result = file.ReadRecord(strLine)) == CCodeFile::Record) {
            ASSERT_LT(nRead, original.size());
            EXPECT_EQ(strLine, original[nRead]);
            ++nRead;
        }
        EXPECT_EQ(result, CCodeFile::ReadError);
        if (c.bNoticedAtOnce) {
            EXPECT_EQ(nRead, 1u);
        }
        EXPECT_EQ(file.ReadRecord(strLine), CCodeFile::ReadError); // and it stays failed
        file.CloseIfOpen();
    }
}

// The file handling every system must get right alike: UTF-8 names, whole-file replacement,
// refusal of what is no file, the identity a code file is checked by, locks and appends.
#include "platform/cappendfile.h"
#include "platform/cfilelock.h"
#include "platform/cprofilefile.h"
#include "platform/cregularfile.h"
#include "platform/fspath.h"
#include "platform/testtempfolder.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <thread>
#include <vector>

using namespace vantoro;
using namespace vantoro::test;

namespace {

const std::string kFileName = kNonAsciiName + ".INI";

// Test files are written by their UTF-8 names, as the program names them.
void WriteFile(const std::string& strPath, const std::string& strContent) {
    std::ofstream(FsPath(strPath), std::ios::binary | std::ios::trunc) << strContent;
}

std::vector<std::string> NamesIn(const std::string& strFolder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(FsPath(strFolder)))
        names.push_back(Utf8Path(entry.path().filename()));
    return names;
}

} // namespace

TEST(PortableFiles, SettingsInAFolderWithNonAsciiNamesAreSavedUnderThatNameAndReadBack) {
    CTempFolder tmp;
    const std::string strFolder = tmp / kNonAsciiFolderName;
    ASSERT_TRUE(std::filesystem::create_directory(FsPath(strFolder)));
    const std::string strFile = strFolder + "/" + kFileName;
    ASSERT_TRUE(WritePrivateProfileString("APP", "PORT", "5", strFile));
    ASSERT_TRUE(WritePrivateProfileString("APP", "DIR", strFolder + "/", strFile));
    EXPECT_EQ(GetPrivateProfileString("APP", "PORT", "", strFile), "5");
    EXPECT_EQ(GetPrivateProfileString("APP", "DIR", "", strFile), strFolder + "/");
    // One file of exactly that name, and no temporary left beside it.
    EXPECT_EQ(NamesIn(tmp.Path()), std::vector<std::string>{kNonAsciiFolderName});
    EXPECT_EQ(NamesIn(strFolder), std::vector<std::string>{kFileName});
}

TEST(PortableFiles, SavesFromManyThreadsAtOnceKeepEveryKey) {
    CTempFolder tmp;
    const std::string strFile = tmp / "shared.INI";
    std::vector<std::thread> writers;
    for (int nWriter = 0; nWriter < 4; ++nWriter) {
        writers.emplace_back([&, nWriter] {
            for (int nKey = 0; nKey < 15; ++nKey)
                WritePrivateProfileString("W" + std::to_string(nWriter), "K" + std::to_string(nKey),
                                          std::to_string(nWriter * 100 + nKey), strFile);
        });
    }
    for (std::thread& writer : writers)
        writer.join();
    for (int nWriter = 0; nWriter < 4; ++nWriter) {
        for (int nKey = 0; nKey < 15; ++nKey)
            EXPECT_EQ(GetPrivateProfileString("W" + std::to_string(nWriter),
                                              "K" + std::to_string(nKey), "lost", strFile),
                      std::to_string(nWriter * 100 + nKey));
    }
    EXPECT_EQ(NamesIn(tmp.Path()).size(), 1u) << "a temporary file was left behind";
}

TEST(PortableFiles, OnlyARegularFileOpensAndTheReasonSaysWhatElseItIs) {
    CTempFolder tmp;
    CRegularFile file;
    std::string strWhy;
    EXPECT_FALSE(file.Open(tmp / "missing.s19", strWhy));
    EXPECT_EQ(errno, ENOENT);
    EXPECT_EQ(strWhy, "No such file or directory");
    EXPECT_FALSE(file.Open(tmp.Path(), strWhy));
    EXPECT_EQ(strWhy, "it is a directory");
    EXPECT_FALSE(CRegularFile::IsReadable(tmp / kNonAsciiFolderName, strWhy));

    WriteFile(tmp / kFileName, "S00600004844521B\n");
    ASSERT_TRUE(file.Open(tmp / kFileName, strWhy)) << strWhy;
    char buffer[64];
    EXPECT_EQ(file.Read(buffer, sizeof buffer), 17);
    EXPECT_EQ(file.Read(buffer, sizeof buffer), 0);
    ASSERT_TRUE(file.Rewind());
    EXPECT_EQ(file.Read(buffer, 4), 4);
    EXPECT_EQ(std::string(buffer, 4), "S006");
}

TEST(PortableFiles, IdentityTellsAnEditAndAFileRenamedOverTheOpenOne) {
    CTempFolder tmp;
    const std::string strPath = tmp / "code.s19";
    WriteTextFile(strPath, "S1 first\n");
    CRegularFile file;
    std::string strWhy;
    ASSERT_TRUE(file.Open(strPath, strWhy)) << strWhy;
    CFileIdentity opened;
    CFileIdentity named;
    ASSERT_TRUE(file.GetIdentity(opened));
    ASSERT_TRUE(CRegularFile::IdentityOfPath(strPath, named));
    EXPECT_TRUE(named.IsSameFile(opened));
    EXPECT_TRUE(named.IsSameContent(opened));
    EXPECT_EQ(opened.nSize, 9);

    WriteTextFile(tmp / "new.s19", "S1 second version\n");
    std::error_code error;
    std::filesystem::rename(FsPath(tmp / "new.s19"), FsPath(strPath), error);
    CFileIdentity still;
    ASSERT_TRUE(file.GetIdentity(still));
    EXPECT_EQ(still.nSize, opened.nSize) << "the open file is the first version still";
    ASSERT_TRUE(CRegularFile::IdentityOfPath(strPath, named));
    // Linux replaces the name at once; Windows refuses while the file is open. Either way the
    // name and the open file must never pass for one another.
    if (!error)
        EXPECT_FALSE(named.IsSameFile(opened));
    else
        EXPECT_TRUE(named.IsSameFile(opened) && named.IsSameContent(opened)) << error.message();
}

TEST(PortableFiles, AppendsOfTwoWritersLandWholeAtTheEndAndTruncateTakesOneBack) {
    CTempFolder tmp;
    const std::string strPath = tmp / "report.csv";
    CAppendFile first;
    CAppendFile second;
    std::string strWhy;
    ASSERT_TRUE(first.Open(strPath, strWhy)) << strWhy;
    ASSERT_TRUE(second.Open(strPath, strWhy)) << strWhy;
    EXPECT_FALSE(CAppendFile().Open(tmp.Path(), strWhy));
    EXPECT_EQ(strWhy, "it is a directory");

    ASSERT_TRUE(first.Append("a1\n"));
    ASSERT_TRUE(second.Append("b1\n"));
    ASSERT_TRUE(first.Append("a2\n"));
    std::int64_t nSize = 0;
    ASSERT_TRUE(second.GetSize(nSize));
    EXPECT_EQ(nSize, 9);
    char last = 0;
    EXPECT_EQ(second.ReadAt(nSize - 2, &last, 1), 1);
    EXPECT_EQ(last, '2');
    EXPECT_EQ(second.ReadAt(nSize, &last, 1), 0);
    ASSERT_TRUE(first.Truncate(6));
    first.Close();
    second.Close();
    EXPECT_EQ(ReadTextFile(strPath), "a1\nb1\n");
}

TEST(PortableFiles, ALockWaitsForItsHolderOnAFileAndOnAFolder) {
    CTempFolder tmp;
    for (const auto& [strPath, bCreate] :
         {std::pair{tmp / "numbers.lock", true}, std::pair{tmp.Path(), false}}) {
        SCOPED_TRACE(strPath);
        auto pSecondHeld = std::make_shared<std::atomic<bool>>(false);
        auto pFirst = std::make_unique<CFileLock>(strPath, bCreate);
        ASSERT_TRUE(pFirst->IsHeld());
        std::thread second([pSecondHeld, strPath = strPath, bCreate = bCreate] {
            CFileLock lock(strPath, bCreate);
            *pSecondHeld = lock.IsHeld();
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        EXPECT_FALSE(*pSecondHeld) << "the second lock was granted while the first was held";
        pFirst.reset();
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!*pSecondHeld && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        EXPECT_TRUE(*pSecondHeld) << "the second lock was never granted after the first went";
        if (*pSecondHeld)
            second.join();
        else
            second.detach(); // still waiting: it must not hold the test up
    }
    EXPECT_FALSE(CFileLock(tmp / "no-such-folder", false).IsHeld());
}

// Settings files a workshop really meets: one that is no file at all, one grown out of all
// proportion, one its owner made read-only, one reached through a link. None may block a
// reader, and a save must never replace what it should leave alone.
#include "platform/cprofilefile.h"
#include "platform/testtempfolder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <future>
#include <sys/stat.h>
#include <unistd.h>

using namespace vantoro;
using namespace vantoro::test;

TEST(ProfileGuards, OddFilesReadAsDefaultsWithoutBlockingAndAreNeverWritten) {
    CTempFolder tmp;
    ASSERT_EQ(::mkfifo((tmp / "fifo.INI").c_str(), 0644), 0);
    MakeFolder(tmp / "folder.INI");
    const std::string strHuge(kMaxProfileFileSize + 1, ';');
    WriteTextFile(tmp / "huge.INI", "[APP]\nPORT=7\n" + strHuge);
    WriteTextFile(tmp / "locked.INI", "[APP]\nPORT=7\n");
    ::chmod((tmp / "locked.INI").c_str(), 0444);
    const struct {
        const char* pszName;
        std::string strFile;
        const char* pszDefault; // what a read gives
        const char* pszReason;  // in the reason a save is refused
    } kCases[] = {
        {"Fifo", tmp / "fifo.INI", "dflt", "it is a FIFO"},
        {"Directory", tmp / "folder.INI", "dflt", "it is a directory"},
        {"ZeroDevice", "/dev/zero", "dflt", "it is a character device"},
        {"OverOneMebibyte", tmp / "huge.INI", "dflt", "too large"},
        {"ReadOnly", tmp / "locked.INI", "7", "read-only"},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.pszName);
        auto read = std::async(std::launch::async, [&] {
            return GetPrivateProfileString("APP", "PORT", "dflt", c.strFile);
        });
        if (read.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
            ::close(::open(c.strFile.c_str(), O_WRONLY | O_NONBLOCK)); // lets a FIFO reader go
            FAIL() << "reading the settings blocked";
        }
        EXPECT_EQ(read.get(), c.pszDefault);
        struct stat before {};
        ::stat(c.strFile.c_str(), &before);
        EXPECT_NE(ProfileFileNotWritableReason(c.strFile).find(c.pszReason), std::string::npos)
            << ProfileFileNotWritableReason(c.strFile);
        EXPECT_FALSE(WritePrivateProfileString("APP", "PORT", "3", c.strFile));
        struct stat after {};
        ::stat(c.strFile.c_str(), &after);
        EXPECT_EQ(after.st_ino, before.st_ino);
        EXPECT_EQ(after.st_size, before.st_size);
    }
    EXPECT_TRUE(ProfileFileNotWritableReason(tmp / "new.INI").empty());
}

// Root saving through a link to a user's file must leave the user's file, not its own.
TEST(ProfileGuards, ASaveThroughALinkKeepsTheTargetsOwnerGroupAndMode) {
    CTempFolder tmp;
    MakeFolder(tmp / "home");
    const std::string strTarget = tmp / "home/bench.INI";
    WriteTextFile(strTarget, "[APP]\nPORT=7\n");
    ASSERT_EQ(::chmod(strTarget.c_str(), 0640), 0);
    const bool bCanChown = ::chown(strTarget.c_str(), 4321, 4322) == 0;
    ASSERT_EQ(::symlink(strTarget.c_str(), (tmp / "vantoro.INI").c_str()), 0);
    struct stat before {};
    ASSERT_EQ(::stat(strTarget.c_str(), &before), 0);

    ASSERT_TRUE(WritePrivateProfileString("APP", "PORT", "3", tmp / "vantoro.INI"));
    EXPECT_TRUE(std::filesystem::is_symlink(tmp / "vantoro.INI"));
    EXPECT_EQ(GetPrivateProfileString("APP", "PORT", "", strTarget), "3");
    struct stat after {};
    ASSERT_EQ(::stat(strTarget.c_str(), &after), 0);
    EXPECT_EQ(after.st_mode, before.st_mode);
    EXPECT_EQ(after.st_uid, before.st_uid);
    EXPECT_EQ(after.st_gid, before.st_gid);
    if (bCanChown) {
        EXPECT_EQ(after.st_uid, 4321u);
    }
}

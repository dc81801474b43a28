#include "platform/testtempfolder.h"
#include "settings/capppaths.h"
#include "settings/cbuildidentity.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

using namespace vantoro;
using vantoro::test::CTempFolder;

namespace {

EnvironmentLookup FakeEnvironment(std::map<std::string, std::string> values) {
    return [values](const std::string& strName, std::string& strValue) {
        auto it = values.find(strName);
        if (it == values.end())
            return false;
        strValue = it->second;
        return true;
    };
}

bool Writable(const std::string&) {
    return true;
}
bool ReadOnly(const std::string&) {
    return false;
}

} // namespace

TEST(AppPaths, SettingsFileBesideTheExecutableNamedAfterIt) {
    auto env = FakeEnvironment({{"HOME", "/home/u"}});
    CAppPaths paths = ComputeAppPaths("/opt/tools/Vantoro.exe", env, Writable);
    EXPECT_EQ(paths.strSettingsPath, "/opt/tools/Vantoro.INI");
    EXPECT_EQ(paths.strProgramDir, "/opt/tools/");

    paths = ComputeAppPaths("/home/u/build/vantoro", env, Writable);
    EXPECT_EQ(paths.strSettingsPath, "/home/u/build/vantoro.INI");
    EXPECT_EQ(paths.strProgramDir, "/home/u/build/");
}

TEST(AppPaths, OnlyADotAndThreeLettersAreReplaced) {
    EXPECT_EQ(SettingsFileNameOf("/a/Vantoro.exe"), "Vantoro.INI");
    EXPECT_EQ(SettingsFileNameOf("/a/app.BIN"), "app.INI");
    EXPECT_EQ(SettingsFileNameOf("/a/vantoro"), "vantoro.INI");
    EXPECT_EQ(SettingsFileNameOf("/a/vantoro.x86"), "vantoro.x86.INI");
    EXPECT_EQ(SettingsFileNameOf("/a/vantoro.elf64"), "vantoro.elf64.INI");
    EXPECT_EQ(SettingsFileNameOf("/a/vantoro-1.23"), "vantoro-1.23.INI");
    EXPECT_EQ(SettingsFileNameOf("/a.dir/vantoro"), "vantoro.INI");
    EXPECT_EQ(SettingsFileNameOf("/a/ab"), "ab.INI");
}

TEST(AppPaths, ProgramDirectoryEndsWithASlash) {
    EXPECT_EQ(ProgramDirectoryOf("/usr/bin/vantoro"), "/usr/bin/");
    EXPECT_EQ(ProgramDirectoryOf("/vantoro"), "/");
    EXPECT_EQ(ProgramDirectoryOf("vantoro"), "./");
}

TEST(AppPaths, UnwritableFolderUsesTheXdgConfigFolder) {
    auto env = FakeEnvironment({{"HOME", "/home/u"}, {"XDG_CONFIG_HOME", "/cfg"}});
    CAppPaths paths = ComputeAppPaths("/usr/bin/vantoro", env, ReadOnly);
    EXPECT_EQ(paths.strSettingsPath, "/cfg/Vantoro/vantoro.INI");
    EXPECT_EQ(paths.strProgramDir, "/usr/bin/") << "the program directory stays";

    env = FakeEnvironment({{"HOME", "/home/u"}, {"XDG_CONFIG_HOME", "/cfg/"}});
    EXPECT_EQ(ComputeAppPaths("/usr/bin/vantoro", env, ReadOnly).strSettingsPath,
              "/cfg/Vantoro/vantoro.INI");
}

TEST(AppPaths, WithoutAUsableXdgFolderTheHomeConfigFolder) {
    for (auto env : {FakeEnvironment({{"HOME", "/home/u"}}),
                     FakeEnvironment({{"HOME", "/home/u"}, {"XDG_CONFIG_HOME", ""}}),
                     FakeEnvironment({{"HOME", "/home/u"}, {"XDG_CONFIG_HOME", "rel/cfg"}})}) {
        EXPECT_EQ(ComputeAppPaths("/usr/bin/vantoro", env, ReadOnly).strSettingsPath,
                  "/home/u/.config/Vantoro/vantoro.INI");
    }
}

TEST(AppPaths, WithoutAnyFallBackTheFileStaysBesideTheExecutable) {
    EXPECT_EQ(ComputeAppPaths("/usr/bin/vantoro", FakeEnvironment({}), ReadOnly).strSettingsPath,
              "/usr/bin/vantoro.INI");
    EXPECT_EQ(ComputeAppPaths("/usr/bin/vantoro", nullptr, nullptr).strSettingsPath,
              "/usr/bin/vantoro.INI");
}

TEST(AppPaths, TheWritableTestIsAskedAboutTheProgramFolder) {
    std::string strAsked;
    ComputeAppPaths("/opt/x/vantoro", FakeEnvironment({}), [&](const std::string& strFolder) {
        strAsked = strFolder;
        return true;
    });
    EXPECT_EQ(strAsked, "/opt/x/");
}

TEST(AppPaths, EnsureSettingsFolderCreatesItWithItsParents) {
    CTempFolder tmp;
    std::string strPath = tmp / "cfg/Vantoro/vantoro.INI";
    EXPECT_TRUE(EnsureSettingsFolder(strPath));
    EXPECT_TRUE(std::filesystem::is_directory(tmp / "cfg/Vantoro"));
    EXPECT_FALSE(std::filesystem::exists(strPath)) << "only the folder is made";
    EXPECT_TRUE(EnsureSettingsFolder(strPath));
    vantoro::test::WriteTextFile(tmp / "plain", "x");
    EXPECT_FALSE(EnsureSettingsFolder(tmp / "plain/sub/vantoro.INI"));
}

TEST(AppPaths, RealInputs) {
    std::string strExe = ReadExecutablePath();
    ASSERT_FALSE(strExe.empty());
    EXPECT_EQ(strExe.front(), '/');
    EXPECT_TRUE(std::filesystem::exists(strExe));
    CTempFolder tmp;
    EXPECT_TRUE(IsFolderWritable(tmp.Path()));
    EXPECT_FALSE(IsFolderWritable(tmp / "missing/"));
    EXPECT_FALSE(IsFolderWritable(""));
    // Even root keeps its settings out of a packaged install.
    EXPECT_FALSE(IsFolderWritable("/usr/lib/"));

    std::string strValue;
    ::setenv("VANTORO_TEST_VALUE", "abc", 1);
    EXPECT_TRUE(ProcessEnvironment()("VANTORO_TEST_VALUE", strValue));
    EXPECT_EQ(strValue, "abc");
    ::unsetenv("VANTORO_TEST_VALUE");
    EXPECT_FALSE(ProcessEnvironment()("VANTORO_TEST_VALUE", strValue));
}

TEST(BuildIdentity, DocumentedTexts) {
    EXPECT_STREQ(kBuildVersion, "1.23.KMT");
    EXPECT_STREQ(kBuildDate, "Jul 21 2008");
    EXPECT_STREQ(kBuildTime, "11:24:14");
    std::string strNotice = kBuildNotice;
    EXPECT_FALSE(strNotice.empty());
    EXPECT_EQ(strNotice.find('\n'), std::string::npos) << "a single line";
}

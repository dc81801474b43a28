#include "fakeenvironment.h"
#include "platform/testtempfolder.h"
#include "settings/capppaths.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

using namespace vantoro;
using vantoro::test::CTempFolder;
using vantoro::test::FakeEnvironment;

namespace {

bool ReadOnly(const std::string&) {
    return false;
}

} // namespace

TEST(AppPaths, SettingsFileBesideTheExecutableWhenItsFolderIsWritable) {
    std::string strAsked;
    CAppPaths paths = ComputeAppPaths("/opt/tools/Vantoro.exe", FakeEnvironment({{"HOME", "/h"}}),
                                      [&](const std::string& strFolder) {
                                          strAsked = strFolder;
                                          return true;
                                      });
    EXPECT_EQ(strAsked, "/opt/tools/");
    EXPECT_EQ(paths.strSettingsPath, "/opt/tools/Vantoro.INI");
    EXPECT_EQ(paths.strProgramDir, "/opt/tools/");

    // Only a dot and three letters are replaced.
    for (const auto& [pszExe, pszName] : {std::pair{"/a/app.BIN", "app.INI"},
                                          {"/a/vantoro", "vantoro.INI"},
                                          {"/a/vantoro.x86", "vantoro.x86.INI"},
                                          {"/a/vantoro.elf64", "vantoro.elf64.INI"},
                                          {"/a/vantoro-1.23", "vantoro-1.23.INI"},
                                          {"/a.dir/vantoro", "vantoro.INI"},
                                          {"/a/ab", "ab.INI"}})
        EXPECT_EQ(SettingsFileNameOf(pszExe), pszName);
    EXPECT_EQ(ProgramDirectoryOf("/vantoro"), "/");
    EXPECT_EQ(ProgramDirectoryOf("vantoro"), "./");
}

TEST(AppPaths, UnwritableFolderFallsBackToXdgThenHomeThenStaysBesideTheExecutable) {
    using Env = std::map<std::string, std::string>;
    for (const auto& [env, pszExpected] :
         {std::pair{Env{{"HOME", "/home/u"}, {"XDG_CONFIG_HOME", "/cfg"}},
                    "/cfg/Vantoro/vantoro.INI"},
          {Env{{"HOME", "/home/u"}, {"XDG_CONFIG_HOME", "/cfg/"}}, "/cfg/Vantoro/vantoro.INI"},
          {Env{{"HOME", "/home/u"}}, "/home/u/.config/Vantoro/vantoro.INI"},
          {Env{{"HOME", "/home/u"}, {"XDG_CONFIG_HOME", ""}},
           "/home/u/.config/Vantoro/vantoro.INI"},
          {Env{{"HOME", "/home/u"}, {"XDG_CONFIG_HOME", "rel/cfg"}},
           "/home/u/.config/Vantoro/vantoro.INI"},
          {Env{}, "/usr/bin/vantoro.INI"}}) {
        CAppPaths paths = ComputeAppPaths("/usr/bin/vantoro", FakeEnvironment(env), ReadOnly);
        EXPECT_EQ(paths.strSettingsPath, pszExpected);
        EXPECT_EQ(paths.strProgramDir, "/usr/bin/") << "the program directory stays";
    }
    EXPECT_EQ(ComputeAppPaths("/usr/bin/vantoro", nullptr, nullptr).strSettingsPath,
              "/usr/bin/vantoro.INI");
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

// The process environment is exercised by the hardening tests.
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
}

// Where the settings file goes on Windows: beside the program when it may write there, else
// under %APPDATA%\Vantoro\, with paths in UTF-8 and '/' inside.
#include "platform/testtempfolder.h"
#include "settings/capppaths.h"
#include "settings/fakeenvironment.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace vantoro;
using namespace vantoro::test;

TEST(WindowsSettingsPlaces, AppDataHoldsTheFileWhenTheProgramFolderIsNotWritable) {
    const auto never = [](const std::string&) { return false; };
    const CAppPaths paths =
        ComputeAppPaths("C:/Program Files/Vantoro/Vantoro.exe",
                        FakeEnvironment({{"APPDATA", "C:\\Users\\Tech\\AppData\\Roaming"}}), never);
    EXPECT_EQ(paths.strSettingsPath, "C:/Users/Tech/AppData/Roaming/Vantoro/Vantoro.INI");
    EXPECT_EQ(paths.strProgramDir, "C:/Program Files/Vantoro/");
    // A relative or missing APPDATA is no place: the file stays beside the program.
    for (const char* pszAppData : {"Roaming", ""}) {
        EXPECT_EQ(ComputeAppPaths("D:/Tools/vantoro.exe",
                                  FakeEnvironment({{"APPDATA", pszAppData}}), never)
                      .strSettingsPath,
                  "D:/Tools/vantoro.INI")
            << pszAppData;
    }
    EXPECT_EQ(FallbackSettingsFolder(FakeEnvironment({{"APPDATA", "\\\\srv\\home\\x\\"}})),
              "//srv/home/x/Vantoro/");
    // The Linux variables mean nothing here.
    EXPECT_EQ(FallbackSettingsFolder(FakeEnvironment({{"XDG_CONFIG_HOME", "/home/x/.config"}})),
              "");
}

TEST(WindowsSettingsPlaces, WritableFolderIsProbedWithoutLeavingAFile) {
    CTempFolder tmp;
    EXPECT_TRUE(IsFolderWritable(tmp.Path()));
    EXPECT_TRUE(std::filesystem::is_empty(tmp.Path())) << "the probe file was left behind";
    EXPECT_FALSE(IsFolderWritable(tmp / "missing/"));
    EXPECT_FALSE(IsFolderWritable(""));
}

TEST(WindowsSettingsPlaces, TheRunningProgramsPathUsesForwardSlashesAndNamesItsExe) {
    const std::string strExe = ReadExecutablePath();
    EXPECT_EQ(strExe.find('\\'), std::string::npos) << strExe;
    EXPECT_EQ(SettingsFileNameOf(strExe), "wtest_settings.INI") << strExe;
    EXPECT_TRUE(std::filesystem::exists(strExe)) << strExe;
    std::string strAppData;
    ASSERT_TRUE(ProcessEnvironment()("APPDATA", strAppData));
    EXPECT_NE(FallbackSettingsFolder(ProcessEnvironment()), "");
}

// Settings files that are damaged, odd or out of reach: the program starts with sound values,
// keeps whatever it does not own, never loses a choice, and a save killed half-way leaves the old
// or the new file, never a mix.
#include "catalogue/ccatalogue.h"
#include "platform/cprofilefile.h"
#include "settings/capppaths.h"
#include "settings/cappsettings.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace vantoro;
namespace fs = std::filesystem;

namespace {

constexpr uid_t kNobody = 65534;

std::string ReadFile(const std::string& strPath) {
    std::ifstream in(strPath, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), {});
}

class BadSettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        char szTemplate[] = "/tmp/vantoro-settings-XXXXXX";
        ASSERT_NE(::mkdtemp(szTemplate), nullptr);
        m_strDir = szTemplate;
        ::chmod(m_strDir.c_str(), 0755); // an ordinary user must reach into it
        m_strFile = m_strDir + "/vantoro.INI";
        m_strNoInstall = m_strDir + "/no-install.ini";
    }
    void TearDown() override {
        std::error_code error;
        fs::remove_all(m_strDir, error);
    }
    void WriteFile(const std::string& strContent) const {
        std::ofstream(m_strFile, std::ios::binary | std::ios::trunc) << strContent;
    }

    // Loads everything the way the main window does; returns the port asked for, or 0.
    int Load(std::vector<CTarget>& targets, int& nPlatform, std::uint32_t& nTimeoutMs) const {
        CAppSettings settings(m_strFile, m_strNoInstall);
        targets = BuildCatalogue();
        nPlatform = 0;
        int nPort = 0;
        settings.LoadAppSettings(targets, nPlatform, m_strDir + "/", [&](int n) { nPort = n; });
        nTimeoutMs = settings.GetReplyTimeoutMs();
        return nPort;
    }

    std::string m_strDir, m_strFile, m_strNoInstall;
};

// Runs fn in a child process as an ordinary user (root passes every permission check); fn's
// failures are reported by the child and fail the test through its exit status.
void RunAsOrdinaryUser(const std::function<void()>& fn) {
    const pid_t child = ::fork();
    if (child == 0) {
        if (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) {
            ::_exit(3);
        }
        fn();
        std::fflush(nullptr);
        ::_exit(::testing::Test::HasFailure() ? 1 : 0);
    }
    int nStatus = -1;
    ::waitpid(child, &nStatus, 0);
    EXPECT_TRUE(WIFEXITED(nStatus) && WEXITSTATUS(nStatus) == 0) << "as an ordinary user";
}

} // namespace

TEST_F(BadSettingsTest, BinaryGarbageGivesTheDefaultsAndIsKeptBySaving) {
    std::mt19937 random(11);
    std::string strGarbage;
    for (int i = 0; i < 8192; ++i) {
        strGarbage.push_back(static_cast<char>(random() & 0xFF));
    }
    strGarbage += "\n";
    WriteFile(strGarbage);
    std::vector<CTarget> targets;
    int nPlatform = -1;
    std::uint32_t nTimeout = 0;
    EXPECT_EQ(Load(targets, nPlatform, nTimeout), 0);
    EXPECT_EQ(nPlatform, 0);
    EXPECT_EQ(nTimeout, 10000u);
    EXPECT_EQ(targets.at(1).GetWorkingDirectory(), m_strDir + "/");
    const CLogSettings log = CAppSettings(m_strFile).ReadLogSettings();
    EXPECT_FALSE(log.bLogEnabled);
    EXPECT_EQ(log.nLogFlags, 23);

    CAppSettings settings(m_strFile, m_strNoInstall);
    settings.SetReplyTimeoutMs(30000);
    ASSERT_TRUE(settings.SaveAppSettings(targets, CAppState{7, 1, true, 31}));
    EXPECT_EQ(ReadFile(m_strFile).compare(0, strGarbage.size(), strGarbage), 0) << "garbage lost";
    EXPECT_EQ(Load(targets, nPlatform, nTimeout), 7);
    EXPECT_EQ(nPlatform, 1);
    EXPECT_EQ(nTimeout, 30000u);
    EXPECT_TRUE(CAppSettings(m_strFile).ReadLogSettings().bLogEnabled);
}

TEST_F(BadSettingsTest, DuplicatesReadAndWriteTheFirstAndHundredKilobyteLinesAreKeptWhole) {
    const std::string strLong(100 * 1024, 'x');
    const std::string strContent =
        ";" + strLong + "\n" + strLong + "\n[APP]\nPORT=3\nport=9\nNOTE=" + strLong +
        "\n[PLATFORM_SALTIR]\nVARIANT=Saltir 48\n" + "WORKING_DIRECTORY=/" + strLong +
        "\n[app]\nPORT=11\n" + "QVR Series=25\n[APP]\nLOG=ENABLED\n";
    WriteFile(strContent);
    EXPECT_EQ(GetPrivateProfileString("APP", "NOTE", "", m_strFile), strLong.substr(0, 4095));
    std::vector<CTarget> targets;
    int nPlatform = 0;
    std::uint32_t nTimeout = 0;
    EXPECT_EQ(Load(targets, nPlatform, nTimeout), 3);
    EXPECT_EQ(nTimeout, 10000u); // the first [APP] has no time-out
    EXPECT_FALSE(CAppSettings(m_strFile).ReadLogSettings().bLogEnabled);
    EXPECT_EQ(targets.at(0).GetVariant(), 1);
    EXPECT_EQ(targets.at(0).GetWorkingDirectory(), m_strDir + "/"); // no such folder

    ASSERT_TRUE(WritePrivateProfileString("app", "Port", "4", m_strFile));
    std::string strExpected = strContent;
    strExpected.replace(strExpected.find("PORT=3"), 6, "PORT=4");
    EXPECT_TRUE(ReadFile(m_strFile) == strExpected); // no 400 KB dumps
    EXPECT_EQ(GetPrivateProfileString("APP", "PORT", "", m_strFile), "4");
}

// A system-wide install: the program's folder belongs to root and the user may not write there.
TEST_F(BadSettingsTest, AReadOnlyProgramFolderSendsTheSettingsToTheFallbackFolderAndLosesNothing) {
    const std::string strProgram = m_strDir + "/bin";
    const std::string strConfig = m_strDir + "/home-config";
    fs::create_directories(strProgram);
    fs::create_directories(strConfig);
    ::chown(strConfig.c_str(), kNobody, kNobody);
    const std::string strBeside = strProgram + "/vantoro.INI";
    std::ofstream(strBeside) << "[APP]\nPORT=3\n";
    ::chmod(strBeside.c_str(), 0644);
    ::setenv("XDG_CONFIG_HOME", strConfig.c_str(), 1);
    const std::string strNoInstall = m_strNoInstall;
    const std::string strDefaultDir = m_strDir + "/";

    RunAsOrdinaryUser([&] {
        EXPECT_FALSE(WritePrivateProfileString("APP", "PORT", "9", strBeside));
        const CAppPaths paths =
            ComputeAppPaths(strProgram + "/vantoro", ProcessEnvironment(), IsFolderWritable);
        EXPECT_EQ(paths.strSettingsPath, strConfig + "/Vantoro/vantoro.INI");
        EXPECT_TRUE(EnsureSettingsFolder(paths.strSettingsPath));
        std::vector<CTarget> targets = BuildCatalogue();
        targets.at(1).SetVariant(0);
        targets.at(1).SetWorkingDirectory(strProgram + "/");
        CAppSettings settings(paths.strSettingsPath, strNoInstall);
        settings.SetReplyTimeoutMs(45000);
        EXPECT_TRUE(settings.SaveAppSettings(targets, CAppState{12, 1, true, 7}));

        std::vector<CTarget> restored = BuildCatalogue();
        int nPlatform = 0;
        int nPort = 0;
        CAppSettings reload(paths.strSettingsPath, strNoInstall);
        reload.LoadAppSettings(restored, nPlatform, strDefaultDir, [&](int n) { nPort = n; });
        EXPECT_EQ(nPort, 12);
        EXPECT_EQ(nPlatform, 1);
        EXPECT_EQ(reload.GetReplyTimeoutMs(), 45000u);
        EXPECT_EQ(restored.at(1).GetWorkingDirectory(), strProgram + "/");
        EXPECT_TRUE(reload.ReadLogSettings().bLogEnabled);
    });
    ::unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(ReadFile(strBeside), "[APP]\nPORT=3\n");
    EXPECT_TRUE(fs::exists(strConfig + "/Vantoro/vantoro.INI"));
    for (const auto& entry : fs::directory_iterator(strProgram)) {
        EXPECT_EQ(entry.path().filename(), "vantoro.INI") << "left behind: " << entry.path();
    }
}

// The file itself is read-only, though its folder is the user's: its owner protected a bench's
// settings, so the save leaves it as it is (the session keeps its choices meanwhile).
TEST_F(BadSettingsTest, AReadOnlySettingsFileIsLeftAsItsOwnerMadeIt) {
    const std::string strProgram = m_strDir + "/mine";
    fs::create_directories(strProgram);
    ::chown(strProgram.c_str(), kNobody, kNobody);
    const std::string strFile = strProgram + "/vantoro.INI";
    std::ofstream(strFile) << "; the user's note\n[APP]\nPORT=3\n";
    ::chmod(strFile.c_str(), 0444);
    const std::string strNoInstall = m_strNoInstall;
    RunAsOrdinaryUser([&] {
        const CAppPaths paths = ComputeAppPaths(
            strProgram + "/vantoro", [](const std::string&, std::string&) { return false; },
            IsFolderWritable);
        EXPECT_EQ(paths.strSettingsPath, strFile);
        CAppSettings settings(paths.strSettingsPath, strNoInstall);
        settings.SetReplyTimeoutMs(20000);
        EXPECT_FALSE(settings.SaveAppSettings(BuildCatalogue(), CAppState{8, 1, false, 23}));
    });
    EXPECT_EQ(ReadFile(strFile), "; the user's note\n[APP]\nPORT=3\n");
}

// kill -9 at random moments while a child saves over and over: the file is always one of the
// two complete versions. VANTORO_SETTINGS_KILLS raises the number of kills (30 by default).
TEST_F(BadSettingsTest, AKilledSaveLeavesTheOldOrTheNewFile) {
    const char* pszKills = std::getenv("VANTORO_SETTINGS_KILLS");
    const int nKills = pszKills != nullptr ? std::atoi(pszKills) : 30;
    const std::string strA(64 * 1024, 'A');
    const std::string strB(64 * 1024, 'B');
    WriteFile("; kept\n[APP]\nPORT=5\n[PLATFORM_SALTIR]\nVARIANT=Saltir 48\n");
    ASSERT_TRUE(WritePrivateProfileString("APP", "BLOB", strB, m_strFile));
    const std::string strWithB = ReadFile(m_strFile);
    ASSERT_TRUE(WritePrivateProfileString("APP", "BLOB", strA, m_strFile));
    const std::string strWithA = ReadFile(m_strFile);

    std::mt19937 random(5);
    std::uniform_int_distribution<int> pickDelayUs(0, 20000);
    for (int n = 0; n < nKills; ++n) {
        const pid_t child = ::fork();
        if (child == 0) {
            for (unsigned i = 0;; ++i) {
                WritePrivateProfileString("APP", "BLOB", (i & 1) ? strA : strB, m_strFile);
            }
        }
        ASSERT_GT(child, 0);
        std::this_thread::sleep_for(std::chrono::microseconds(pickDelayUs(random)));
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        const std::string strNow = ReadFile(m_strFile);
        ASSERT_TRUE(strNow == strWithA || strNow == strWithB) << "damaged after kill " << n;
    }
    // A kill between naming the new file and the rename can leave that name; the next save
    // clears what dead processes left.
    ASSERT_TRUE(WritePrivateProfileString("APP", "BLOB", strA, m_strFile));
    for (const auto& entry : fs::directory_iterator(m_strDir)) {
        EXPECT_EQ(entry.path(), m_strFile) << "left behind by a killed save";
    }
    EXPECT_EQ(GetPrivateProfileString("APP", "PORT", "", m_strFile), "5");
}

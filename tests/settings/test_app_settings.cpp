// The "APP" section, and the platform sections it drives.
#include "catalogue/ccatalogue.h"
#include "platform/cprofilefile.h"
#include "platform/testtempfolder.h"
#include "settings/cappsettings.h"

#include <gtest/gtest.h>

using namespace vantoro;
using vantoro::test::CTempFolder;
using vantoro::test::MakeFolder;
using vantoro::test::ReadTextFile;
using vantoro::test::WriteTextFile;

class AppSettings : public ::testing::Test {
protected:
    void SetUp() override {
        m_strProgramDir = m_tmp / "program/";
        MakeFolder(m_strProgramDir);
        m_strProfile = m_strProgramDir + "vantoro.INI";
        m_targets = BuildCatalogue();
    }

    // Loads as the main window does; returns the ports the callback was asked to select.
    std::vector<int> Load(CAppSettings& settings) {
        std::vector<int> selected;
        settings.LoadAppSettings(m_targets, m_nPlatformIndex, m_strProgramDir,
                                 [&](int nPort) { selected.push_back(nPort); });
        return selected;
    }

    std::string AppValue(const std::string& strKey) {
        return GetPrivateProfileString("APP", strKey, "<missing>", m_strProfile);
    }

    CTempFolder m_tmp;
    std::string m_strProgramDir;
    std::string m_strProfile;
    std::vector<CTarget> m_targets;
    int m_nPlatformIndex = 0;
};

TEST_F(AppSettings, FirstRunWritesTheDocumentedFile) {
    CAppSettings settings(m_strProfile, m_tmp / "Install.ini");
    EXPECT_EQ(settings.GetReplyTimeoutMs(), 0u) << "0 until loaded";
    EXPECT_TRUE(Load(settings).empty()) << "no PORT: nothing selected";
    EXPECT_EQ(m_nPlatformIndex, 0);
    EXPECT_EQ(settings.GetReplyTimeoutMs(), 10000u);
    CLogSettings log = settings.ReadLogSettings();
    EXPECT_FALSE(log.bLogEnabled);
    EXPECT_EQ(log.nLogFlags, 23);

    CAppState state;
    state.nPortNumber = 3; // COM3 was the first port discovered
    state.nPlatformIndex = m_nPlatformIndex;
    state.bLogEnabled = log.bLogEnabled;
    state.nLogFlags = log.nLogFlags;
    ASSERT_TRUE(settings.SaveAppSettings(m_targets, state));
    EXPECT_EQ(ReadTextFile(m_strProfile), "[APP]\n"
                                          "PORT=3\n"
                                          "PLATFORM=Saltir Series\n"
                                          "LOG=DISABLED\n"
                                          "LOG_FLAGS=23\n"
                                          "QVR Series=10\n"
                                          "\n"
                                          "[PLATFORM_SALTIR]\n"
                                          "VARIANT=Saltir 24\n"
                                          "WORKING_DIRECTORY=" +
                                              m_strProgramDir +
                                              "\n"
                                              "VARIANT_FILE=\n"
                                              "\n"
                                              "[PLATFORM_VERRIN]\n"
                                              "VARIANT=Verrin\n"
                                              "WORKING_DIRECTORY=" +
                                              m_strProgramDir +
                                              "\n"
                                              "VARIANT_FILE=\n");
}

TEST_F(AppSettings, NoPortDiscoveredWritesZero) {
    CAppSettings settings(m_strProfile, m_tmp / "Install.ini");
    Load(settings);
    ASSERT_TRUE(settings.SaveAppSettings(m_targets, CAppState{}));
    EXPECT_EQ(AppValue("PORT"), "0");
}

TEST_F(AppSettings, StoredPortGoesToTheCallbackWhenItStartsWithANumber) {
    CAppSettings settings(m_strProfile, m_tmp / "Install.ini");
    WriteTextFile(m_strProfile, "[APP]\nPORT=7\n");
    EXPECT_EQ(Load(settings), (std::vector<int>{7}));
    WriteTextFile(m_strProfile, "[APP]\nPORT= 12x\n");
    EXPECT_EQ(Load(settings), (std::vector<int>{12}));
    WriteTextFile(m_strProfile, "[APP]\nPORT=abc\n");
    EXPECT_TRUE(Load(settings).empty());
    WriteTextFile(m_strProfile, "[APP]\nPORT=\n");
    EXPECT_TRUE(Load(settings).empty());
    // An empty callback is allowed.
    settings.LoadAppSettings(m_targets, m_nPlatformIndex, m_strProgramDir, nullptr);
}

TEST_F(AppSettings, PlatformMatchesByteForByteAndCaseSensitively) {
    CAppSettings settings(m_strProfile, m_tmp / "Install.ini");
    WriteTextFile(m_strProfile, "[APP]\nPLATFORM=Verrin Series\n");
    Load(settings);
    EXPECT_EQ(m_nPlatformIndex, 1);

    for (const char* pszStored : {"verrin series", "VERRIN SERIES", "Verrin", "Verrin Series2"}) {
        m_nPlatformIndex = 0;
        WriteTextFile(m_strProfile, std::string("[APP]\nPLATFORM=") + pszStored + "\n");
        Load(settings);
        EXPECT_EQ(m_nPlatformIndex, 0) << pszStored;
    }

    m_nPlatformIndex = 1;
    WriteTextFile(m_strProfile, "[APP]\nPLATFORM=Nothing\n");
    Load(settings);
    EXPECT_EQ(m_nPlatformIndex, 1) << "without a match the index stays as it was";
}

TEST_F(AppSettings, ThePlatformIsWrittenBackByName) {
    CAppSettings settings(m_strProfile, m_tmp / "Install.ini");
    WriteTextFile(m_strProfile, "[APP]\nPLATFORM=Verrin Series\n");
    Load(settings);
    CAppState state;
    state.nPlatformIndex = m_nPlatformIndex;
    ASSERT_TRUE(settings.SaveAppSettings(m_targets, state));
    EXPECT_EQ(AppValue("PLATFORM"), "Verrin Series");
}

struct TimeoutCase {
    const char* pszName;
    const char* pszStored; // nullptr: no key
    std::uint32_t nMillis;
    const char* pszWrittenBack;
};

void PrintTo(const TimeoutCase& c, std::ostream* pOut) {
    *pOut << c.pszName;
}

class ReplyTimeout : public AppSettings, public ::testing::WithParamInterface<TimeoutCase> {};

TEST_P(ReplyTimeout, IsClampedAndWrittenBackInItsEffectiveForm) {
    const TimeoutCase& c = GetParam();
    if (c.pszStored != nullptr)
        WriteTextFile(m_strProfile, std::string("[APP]\nQVR Series=") + c.pszStored + "\n");
    CAppSettings settings(m_strProfile, m_tmp / "Install.ini");
    Load(settings);
    EXPECT_EQ(settings.GetReplyTimeoutMs(), c.nMillis);
    ASSERT_TRUE(settings.SaveAppSettings(m_targets, CAppState{}));
    EXPECT_EQ(AppValue("QVR Series"), c.pszWrittenBack);
}

INSTANTIATE_TEST_SUITE_P(
    Part41, ReplyTimeout,
    ::testing::Values(
        TimeoutCase{"Missing", nullptr, 10000u, "10"},
        TimeoutCase{"BelowMinimum", "5", 10000u, "10"}, TimeoutCase{"Zero", "0", 10000u, "10"},
        TimeoutCase{"Minimum", "10", 10000u, "10"}, TimeoutCase{"Thirty", "30", 30000u, "30"},
        TimeoutCase{"TrailingText", " 45s", 45000u, "45"},
        TimeoutCase{"NotANumber", "abc", 10000u, "10"}, TimeoutCase{"Negative", "-5", 10000u, "10"},
        TimeoutCase{"NegativeHuge", "-99999999999", 10000u, "10"},
        TimeoutCase{"LargestThatFits", "4294967", 4294967000u, "4294967"},
        TimeoutCase{"FirstThatOverflows", "4294968", 4294967000u, "4294967"},
        TimeoutCase{"Wraps32Bits", "4294967306", 4294967000u, "4294967"},
        TimeoutCase{"Huge", "99999999999999999999999", 4294967000u, "4294967"}),
    [](const ::testing::TestParamInfo<TimeoutCase>& info) { return info.param.pszName; });

TEST(ReplyTimeoutText, SecondsFromTheStoredText) {
    EXPECT_EQ(ReplyTimeoutSecondsFromText(""), 10u);
    EXPECT_EQ(ReplyTimeoutSecondsFromText("11"), 11u);
    EXPECT_EQ(ReplyTimeoutSecondsFromText("9"), 10u);
    EXPECT_EQ(ReplyTimeoutSecondsFromText("+20"), 20u);
    EXPECT_EQ(ReplyTimeoutSecondsFromText("5000000"), kMaxReplyTimeoutSeconds);
    EXPECT_LE(std::uint64_t{kMaxReplyTimeoutSeconds} * 1000u, std::uint64_t{0xFFFFFFFFu});
    EXPECT_GT(std::uint64_t{kMaxReplyTimeoutSeconds + 1} * 1000u, std::uint64_t{0xFFFFFFFFu});
}

TEST_F(AppSettings, LogSettingsFollowTheExactRules) {
    CAppSettings settings(m_strProfile);
    WriteTextFile(m_strProfile, "[APP]\nLOG=enabled\nLOG_FLAGS=abc\n");
    CLogSettings log = settings.ReadLogSettings();
    EXPECT_FALSE(log.bLogEnabled);
    EXPECT_EQ(log.nLogFlags, 23);

    WriteTextFile(m_strProfile, "[APP]\nLOG=ENABLED\nLOG_FLAGS=8\n");
    log = settings.ReadLogSettings();
    EXPECT_TRUE(log.bLogEnabled);
    EXPECT_EQ(log.nLogFlags, 8);

    WriteTextFile(m_strProfile, "[APP]\nLOG=ENABLEDX\nLOG_FLAGS= 31 bits\n");
    log = settings.ReadLogSettings();
    EXPECT_FALSE(log.bLogEnabled);
    EXPECT_EQ(log.nLogFlags, 31);
}

TEST_F(AppSettings, LowerCaseEnabledIsWrittenBackAsDisabled) {
    WriteTextFile(m_strProfile, "[APP]\nLOG=enabled\n");
    CAppSettings settings(m_strProfile);
    Load(settings);
    CAppState state;
    state.bLogEnabled = settings.ReadLogSettings().bLogEnabled;
    ASSERT_TRUE(settings.SaveAppSettings(m_targets, state));
    EXPECT_EQ(AppValue("LOG"), "DISABLED");
    state.bLogEnabled = true;
    state.nLogFlags = 8;
    ASSERT_TRUE(settings.SaveAppSettings(m_targets, state));
    EXPECT_EQ(AppValue("LOG"), "ENABLED");
    EXPECT_EQ(AppValue("LOG_FLAGS"), "8");
}

TEST_F(AppSettings, EveryPlatformIsLoadedWithTheProgramDirectoryAndInstallPath) {
    std::string strProms = m_tmp / "Proms";
    MakeFolder(strProms + "/Verrin");
    std::string strInstall = m_tmp / "Install.ini";
    WriteTextFile(strInstall, "[Install]\nProm_Path=" + strProms + "\n");
    WriteTextFile(m_strProfile, "[PLATFORM_SALTIR]\nVARIANT=Saltir 96XT\n");
    CAppSettings settings(m_strProfile, strInstall);
    Load(settings);
    EXPECT_EQ(m_targets[0].GetVariant(), 3);
    EXPECT_EQ(m_targets[0].GetWorkingDirectory(), m_strProgramDir);
    EXPECT_EQ(m_targets[1].GetWorkingDirectory(), strProms + "/Verrin/");
}

TEST_F(AppSettings, ASecondRunKeepsTheChoicesAndTheUserLines) {
    CAppSettings settings(m_strProfile, m_tmp / "Install.ini");
    WriteTextFile(m_strProfile, "; my notes\n[APP]\nPORT=3\nCustom=1\n");
    Load(settings);
    m_targets[1].SetVariant(0);
    CAppState state;
    state.nPortNumber = 4;
    state.nPlatformIndex = 1;
    ASSERT_TRUE(settings.SaveAppSettings(m_targets, state));
    std::string strText = ReadTextFile(m_strProfile);
    EXPECT_EQ(strText.rfind("; my notes\n[APP]\nPORT=4\nCustom=1\nPLATFORM=Verrin Series\n", 0), 0u)
        << strText;

    std::vector<CTarget> again = BuildCatalogue();
    int nIndex = 0;
    CAppSettings next(m_strProfile, m_tmp / "Install.ini");
    std::vector<int> ports;
    next.LoadAppSettings(again, nIndex, m_strProgramDir, [&](int n) { ports.push_back(n); });
    EXPECT_EQ(nIndex, 1);
    EXPECT_EQ(ports, (std::vector<int>{4}));
}

TEST_F(AppSettings, ASettingsFileThatCannotBeWrittenFailsQuietly) {
    CAppSettings settings(m_tmp / "no/such/folder/vantoro.INI", m_tmp / "Install.ini");
    Load(settings);
    EXPECT_FALSE(settings.SaveAppSettings(m_targets, CAppState{}));
    EXPECT_FALSE(std::filesystem::exists(m_tmp / "no"));
}

// The "APP" section, and the platform sections it drives.
#include "catalogue/ccatalogue.h"
#include "platform/cprofilefile.h"
#include "platform/testtempfolder.h"
#include "settings/cappsettings.h"

#include <gtest/gtest.h>

using namespace vantoro;
using namespace vantoro::test;

class AppSettings : public ::testing::Test {
protected:
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
    std::string m_strProgramDir = m_tmp.Path();
    std::string m_strProfile = m_tmp / "vantoro.INI";
    std::string m_strInstall = m_tmp / "Install.ini";
    std::vector<CTarget> m_targets = BuildCatalogue();
    int m_nPlatformIndex = 0;
};

// The install file gives Verrin its folder; Saltir has none there and takes the program's.
TEST_F(AppSettings, FirstRunWritesTheDocumentedFile) {
    std::string strProms = m_tmp / "Proms";
    MakeFolder(strProms + "/Verrin");
    WriteTextFile(m_strInstall, "[Install]\nProm_Path=" + strProms + "\n");
    CAppSettings settings(m_strProfile, m_strInstall);
    EXPECT_TRUE(Load(settings).empty()) << "no PORT: nothing selected";
    EXPECT_EQ(m_nPlatformIndex, 0);
    EXPECT_EQ(settings.GetReplyTimeoutMs(), 10000u);
    CLogSettings log = settings.ReadLogSettings();
    ASSERT_TRUE(settings.SaveAppSettings(m_targets, CAppState{}));
    EXPECT_EQ(AppValue("PORT"), "0") << "no port discovered";

    ASSERT_TRUE(
        settings.SaveAppSettings(m_targets, CAppState{3, 0, log.bLogEnabled, log.nLogFlags}));
    EXPECT_EQ(ReadTextFile(m_strProfile),
              "[APP]\nPORT=3\nPLATFORM=Saltir Series\nLOG=DISABLED\nLOG_FLAGS=23\nQVR Series=10\n"
              "\n[PLATFORM_SALTIR]\nVARIANT=Saltir 24\nWORKING_DIRECTORY=" +
                  m_strProgramDir + "\nVARIANT_FILE=\n\n[PLATFORM_VERRIN]\nVARIANT=Verrin\n" +
                  "WORKING_DIRECTORY=" + strProms + "/Verrin/\nVARIANT_FILE=\n");
}

TEST_F(AppSettings, StoredPortGoesToTheCallbackWhenItStartsWithANumber) {
    CAppSettings settings(m_strProfile, m_strInstall);
    for (const auto& [pszStored, ports] :
         {std::pair{"7", std::vector<int>{7}}, {" 12x", {12}}, {"abc", {}}, {"", {}}}) {
        WriteTextFile(m_strProfile, std::string("[APP]\nPORT=") + pszStored + "\n");
        EXPECT_EQ(Load(settings), ports) << pszStored;
    }
    settings.LoadAppSettings(m_targets, m_nPlatformIndex, m_strProgramDir, nullptr);
}

TEST_F(AppSettings, PlatformMatchesByteForByteAndCaseSensitively) {
    CAppSettings settings(m_strProfile, m_strInstall);
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

// Seconds below 10, or not a number, give 10; seconds whose milliseconds overflow 32 bits give
// the largest that fits.
TEST_F(AppSettings, ReplyTimeoutIsClampedAndWrittenBackInItsEffectiveForm) {
    struct Case {
        const char* pszStored; // nullptr: no key
        std::uint32_t nMillis;
        const char* pszWrittenBack;
    };
    for (const Case& c :
         {Case{nullptr, 10000u, "10"}, Case{"5", 10000u, "10"}, Case{"0", 10000u, "10"},
          Case{"10", 10000u, "10"}, Case{"30", 30000u, "30"}, Case{" 45s", 45000u, "45"},
          Case{"+20", 20000u, "20"}, Case{"abc", 10000u, "10"}, Case{"-5", 10000u, "10"},
          Case{"-99999999999", 10000u, "10"}, Case{"4294967", 4294967000u, "4294967"},
          Case{"4294968", 4294967000u, "4294967"}, Case{"4294967306", 4294967000u, "4294967"},
          Case{"99999999999999999999999", 4294967000u, "4294967"}}) {
        SCOPED_TRACE(c.pszStored != nullptr ? c.pszStored : "no key");
        WriteTextFile(m_strProfile, c.pszStored != nullptr
                                        ? std::string("[APP]\nQVR Series=") + c.pszStored + "\n"
                                        : std::string());
        CAppSettings settings(m_strProfile, m_strInstall);
        EXPECT_EQ(settings.GetReplyTimeoutMs(), 0u) << "0 until loaded";
        Load(settings);
        EXPECT_EQ(settings.GetReplyTimeoutMs(), c.nMillis);
        ASSERT_TRUE(settings.SaveAppSettings(m_targets, CAppState{}));
        EXPECT_EQ(AppValue("QVR Series"), c.pszWrittenBack);
    }
}

TEST_F(AppSettings, LoggingNeedsExactlyEnabledAndFlagsTheLeadingNumber) {
    CAppSettings settings(m_strProfile);
    for (const auto& [pszText, bEnabled, nFlags] :
         {std::tuple{"LOG=ENABLED\nLOG_FLAGS=8", true, 8},
          {"LOG=enabled\nLOG_FLAGS=abc", false, 23},
          {"LOG=ENABLEDX\nLOG_FLAGS= 31 bits", false, 31}}) {
        WriteTextFile(m_strProfile, std::string("[APP]\n") + pszText + "\n");
        CLogSettings log = settings.ReadLogSettings();
        EXPECT_EQ(log.bLogEnabled, bEnabled) << pszText;
        EXPECT_EQ(log.nLogFlags, nFlags) << pszText;
    }
}

TEST_F(AppSettings, ASettingsFileThatCannotBeWrittenFailsQuietly) {
    CAppSettings settings(m_tmp / "no/such/folder/vantoro.INI", m_strInstall);
    Load(settings);
    EXPECT_FALSE(settings.SaveAppSettings(m_targets, CAppState{}));
    EXPECT_FALSE(std::filesystem::exists(m_tmp / "no"));
}

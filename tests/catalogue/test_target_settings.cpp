// Install path, variant file and working directory.
#include "catalogue/ccatalogue.h"
#include "platform/testtempfolder.h"

#include <gtest/gtest.h>

using namespace vantoro;
using namespace vantoro::test;

class TargetSettings : public ::testing::Test {
protected:
    void SetUp() override { MakeFolder(m_strProgramDir); }
    void LoadAll() {
        for (CTarget& target : m_targets)
            target.LoadSettings(m_strProgramDir, m_strProfile, m_strInstallIni);
    }

    CTempFolder m_tmp;
    std::string m_strProgramDir = m_tmp / "program/";
    std::string m_strProfile = m_tmp / "program/vantoro.INI";
    std::string m_strInstallIni = m_tmp / "Install.ini"; // absent unless a test writes it
    std::vector<CTarget> m_targets = BuildCatalogue();
};

// An install path without the platform's folder is shown with the "APP" settings.
TEST_F(TargetSettings, WorkingDirectoryFallsBackFromStoredToInstallPathToProgramDirectory) {
    const std::string strProms = m_tmp / "Proms";
    const std::string strStored = m_tmp / "stored/";
    MakeFolder(strStored);
    struct Case {
        const char* pszName;
        std::string strStoredLine; // the Saltir section's WORKING_DIRECTORY line, if any
        bool bInstallPath;         // Proms/Saltir is there in every case
        std::string strExpected;
    };
    const Case cases[] = {
        {"nothing known", "", false, m_strProgramDir},
        {"install path", "WORKING_DIRECTORY=\n", true, strProms + "/Saltir/"},
        {"stored beats install path", "WORKING_DIRECTORY=" + strStored + "\n", true, strStored},
        {"stored but deleted", "WORKING_DIRECTORY=" + m_tmp / "deleted/\n", true, m_strProgramDir},
    };
    MakeFolder(strProms + "/Saltir");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pszName);
        std::filesystem::remove(m_strInstallIni);
        if (c.bInstallPath)
            WriteTextFile(m_strInstallIni, "[Install]\nProm_Path=" + strProms + "\n");
        WriteTextFile(m_strProfile, "[PLATFORM_SALTIR]\n" + c.strStoredLine);
        CTarget saltir = BuildCatalogue()[0];
        saltir.LoadSettings(m_strProgramDir, m_strProfile, m_strInstallIni);
        EXPECT_EQ(saltir.GetWorkingDirectory(), c.strExpected);
        EXPECT_EQ(saltir.GetSoftwareDirectory(), c.strExpected);
        EXPECT_EQ(saltir.GetVariant(), 0);
    }
}

TEST_F(TargetSettings, StoredModelNameMatchesCaseSensitively) {
    WriteTextFile(m_strProfile, "[PLATFORM_SALTIR]\nVARIANT=Saltir 96XT\n"
                                "[PLATFORM_VERRIN]\nVARIANT=verrin\n");
    LoadAll();
    EXPECT_EQ(m_targets[0].GetVariant(), 3);
    EXPECT_EQ(m_targets[1].GetVariant(), 0);

    WriteTextFile(m_strProfile, "[PLATFORM_SALTIR]\nVARIANT=saltir 96xt\n");
    m_targets[0].SetVariant(2);
    m_targets[0].LoadSettings(m_strProgramDir, m_strProfile, m_strInstallIni);
    EXPECT_EQ(m_targets[0].GetVariant(), 2) << "no match leaves the model index as it was";
}

TEST_F(TargetSettings, SetWorkingDirectoryAcceptsExistingDirectoriesOnly) {
    CTarget& target = m_targets[0];
    WriteTextFile(m_tmp / "file.s19", "x");
    ASSERT_TRUE(target.SetWorkingDirectory(m_tmp.Path()));
    target.SetVariantFile(m_tmp / "file.s19");

    for (const std::string& strRefused : {m_tmp / "file.s19", m_tmp / "missing/", std::string()})
        EXPECT_FALSE(target.SetWorkingDirectory(strRefused)) << strRefused;
    EXPECT_EQ(target.GetWorkingDirectory(), m_tmp.Path());
    EXPECT_EQ(target.GetVariantFile(), m_tmp / "file.s19") << "a refused directory changes nothing";

    EXPECT_TRUE(target.SetWorkingDirectory(m_strProgramDir));
    EXPECT_EQ(target.GetWorkingDirectory(), m_strProgramDir);
    EXPECT_EQ(target.GetVariantFile(), "");
}

TEST_F(TargetSettings, SaveWritesTheThreeKeysInOrderAndRoundTripsAnExistingFile) {
    const std::string strFile = m_tmp / "code/st48v200.s19";
    MakeFolder(m_tmp / "code");
    WriteTextFile(strFile, "S0\n");
    LoadAll();
    m_targets[0].SetVariant(1);
    m_targets[0].SetVariantFile(strFile);
    m_targets[1].SetVariant(5); // not below the count: written empty
    ASSERT_TRUE(m_targets[0].SaveSettings(m_strProfile));
    ASSERT_TRUE(m_targets[1].SaveSettings(m_strProfile));
    EXPECT_EQ(ReadTextFile(m_strProfile),
              "[PLATFORM_SALTIR]\nVARIANT=Saltir 48\nWORKING_DIRECTORY=" + m_strProgramDir +
                  "\nVARIANT_FILE=" + strFile + "\n\n[PLATFORM_VERRIN]\nVARIANT=\n" +
                  "WORKING_DIRECTORY=" + m_strProgramDir + "\nVARIANT_FILE=\n");

    std::vector<CTarget> again = BuildCatalogue();
    for (CTarget& target : again)
        target.LoadSettings(m_strProgramDir, m_strProfile, m_strInstallIni);
    EXPECT_EQ(again[0].GetVariant(), 1);
    EXPECT_EQ(again[0].GetVariantFile(), strFile);
    EXPECT_EQ(again[1].GetVariant(), 0);
    std::filesystem::remove(strFile); // a stored file survives only while it exists
    again[0].LoadSettings(m_strProgramDir, m_strProfile, m_strInstallIni);
    EXPECT_EQ(again[0].GetVariantFile(), "");
    EXPECT_FALSE(m_targets[0].SaveSettings(m_tmp / "no/such/folder/x.INI"));
}

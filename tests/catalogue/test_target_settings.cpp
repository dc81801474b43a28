// Install path, variant file and working directory.
#include "catalogue/ccatalogue.h"
#include "platform/cprofilefile.h"
#include "platform/testtempfolder.h"

#include <gtest/gtest.h>

using namespace vantoro;
using vantoro::test::CTempFolder;
using vantoro::test::MakeFolder;
using vantoro::test::ReadTextFile;
using vantoro::test::WriteTextFile;

class TargetSettings : public ::testing::Test {
protected:
    void SetUp() override {
        m_strProgramDir = m_tmp / "program/";
        MakeFolder(m_strProgramDir);
        m_strProfile = m_tmp / "program/vantoro.INI";
        m_strInstallIni = m_tmp / "Install.ini"; // absent unless a test writes it
        m_targets = BuildCatalogue();
    }

    void LoadAll() {
        for (CTarget& target : m_targets)
            target.LoadSettings(m_strProgramDir, m_strProfile, m_strInstallIni);
    }

    CTempFolder m_tmp;
    std::string m_strProgramDir;
    std::string m_strProfile;
    std::string m_strInstallIni;
    std::vector<CTarget> m_targets;
};

TEST_F(TargetSettings, NoSettingsAndNoInstallPathGiveModel0AndTheProgramDirectory) {
    LoadAll();
    for (const CTarget& target : m_targets) {
        EXPECT_EQ(target.GetVariant(), 0);
        EXPECT_EQ(target.GetWorkingDirectory(), m_strProgramDir);
        EXPECT_EQ(target.GetVariantFile(), "");
        EXPECT_EQ(target.GetSoftwareDirectory(), m_strProgramDir);
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

TEST_F(TargetSettings, InstallPathGivesThePlatformFolderWhenItExists) {
    std::string strProms = m_tmp / "Proms";
    MakeFolder(strProms + "/Saltir");
    WriteTextFile(m_strInstallIni, "[Install]\nProm_Path=" + strProms + "\n");
    WriteTextFile(m_strProfile, "[PLATFORM_SALTIR]\nWORKING_DIRECTORY=\n");
    LoadAll();
    EXPECT_EQ(m_targets[0].GetWorkingDirectory(), strProms + "/Saltir/");
    EXPECT_EQ(m_targets[1].GetWorkingDirectory(), m_strProgramDir) << "no Verrin folder";
}

TEST_F(TargetSettings, StoredDirectoryWinsOverTheInstallPathEvenWhenDeleted) {
    std::string strProms = m_tmp / "Proms";
    MakeFolder(strProms + "/Saltir");
    MakeFolder(strProms + "/Verrin");
    WriteTextFile(m_strInstallIni, "[Install]\nProm_Path=" + strProms + "\n");
    std::string strStored = m_tmp / "stored/";
    MakeFolder(strStored);
    WriteTextFile(m_strProfile, "[PLATFORM_SALTIR]\nWORKING_DIRECTORY=" + m_tmp.Path() +
                                    "deleted/\n[PLATFORM_VERRIN]\nWORKING_DIRECTORY=" + strStored +
                                    "\n");
    LoadAll();
    EXPECT_EQ(m_targets[0].GetWorkingDirectory(), m_strProgramDir);
    EXPECT_EQ(m_targets[1].GetWorkingDirectory(), strStored);
}

TEST_F(TargetSettings, StoredVariantFileSurvivesOnlyWhileItExists) {
    std::string strFile = m_tmp / "code/verv123.s19";
    MakeFolder(m_tmp / "code");
    WriteTextFile(strFile, "S0\n");
    WriteTextFile(m_strProfile, "[PLATFORM_VERRIN]\nVARIANT_FILE=" + strFile +
                                    "\n[PLATFORM_SALTIR]\nVARIANT_FILE=" + m_tmp.Path() +
                                    "gone.s19\n");
    LoadAll();
    EXPECT_EQ(m_targets[1].GetVariantFile(), strFile);
    EXPECT_EQ(m_targets[1].GetSoftwareDirectory(), m_tmp / "code/");
    EXPECT_EQ(m_targets[0].GetVariantFile(), "");
}

TEST_F(TargetSettings, SetWorkingDirectoryAcceptsExistingDirectoriesOnly) {
    CTarget& target = m_targets[0];
    WriteTextFile(m_tmp / "file.s19", "x");
    ASSERT_TRUE(target.SetWorkingDirectory(m_tmp.Path()));
    target.SetVariantFile(m_tmp / "file.s19");

    EXPECT_FALSE(target.SetWorkingDirectory(m_tmp / "file.s19"));
    EXPECT_FALSE(target.SetWorkingDirectory(m_tmp / "missing/"));
    EXPECT_FALSE(target.SetWorkingDirectory(""));
    EXPECT_EQ(target.GetWorkingDirectory(), m_tmp.Path());
    EXPECT_EQ(target.GetVariantFile(), m_tmp / "file.s19") << "a refused directory changes nothing";

    EXPECT_TRUE(target.SetWorkingDirectory(m_strProgramDir));
    EXPECT_EQ(target.GetWorkingDirectory(), m_strProgramDir);
    EXPECT_EQ(target.GetVariantFile(), "");
    EXPECT_EQ(m_targets[1].GetVariantFile(), "") << "other platform untouched";
}

TEST(SoftwareDirectory, DirectoryPartOfTheVariantFile) {
    CTarget target;
    target.SetVariantFile("D:\\tmp\\a.s19");
    EXPECT_EQ(target.GetSoftwareDirectory(), "D:\\tmp\\");
    target.SetVariantFile("/home/user/code/a.s19");
    EXPECT_EQ(target.GetSoftwareDirectory(), "/home/user/code/");
    target.SetVariantFile("D:a.s19");
    EXPECT_EQ(target.GetSoftwareDirectory(), "D:");
    target.SetVariantFile("a.s19");
    EXPECT_EQ(target.GetSoftwareDirectory(), "");
}

TEST_F(TargetSettings, SaveWritesTheThreeKeysInOrderAndRoundTrips) {
    std::string strFile = m_tmp / "code/st48v200.s19";
    MakeFolder(m_tmp / "code");
    WriteTextFile(strFile, "S0\n");
    LoadAll();
    m_targets[0].SetVariant(1);
    m_targets[0].SetVariantFile(strFile);
    m_targets[1].SetVariant(5); // not below the count: written empty
    ASSERT_TRUE(m_targets[0].SaveSettings(m_strProfile));
    ASSERT_TRUE(m_targets[1].SaveSettings(m_strProfile));
    EXPECT_EQ(ReadTextFile(m_strProfile), "[PLATFORM_SALTIR]\nVARIANT=Saltir 48\n"
                                          "WORKING_DIRECTORY=" +
                                              m_strProgramDir +
                                              "\n"
                                              "VARIANT_FILE=" +
                                              strFile +
                                              "\n\n"
                                              "[PLATFORM_VERRIN]\nVARIANT=\n"
                                              "WORKING_DIRECTORY=" +
                                              m_strProgramDir +
                                              "\n"
                                              "VARIANT_FILE=\n");

    std::vector<CTarget> again = BuildCatalogue();
    for (CTarget& target : again)
        target.LoadSettings(m_strProgramDir, m_strProfile, m_strInstallIni);
    EXPECT_EQ(again[0].GetVariant(), 1);
    EXPECT_EQ(again[0].GetVariantFile(), strFile);
    EXPECT_EQ(again[1].GetVariant(), 0);
}

TEST_F(TargetSettings, SaveToAnUnwritablePlaceFailsQuietly) {
    LoadAll();
    EXPECT_FALSE(m_targets[0].SaveSettings(m_tmp / "no/such/folder/x.INI"));
}

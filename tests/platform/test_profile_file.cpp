#include "platform/cprofilefile.h"
#include "platform/testtempfolder.h"

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

using namespace vantoro;
using namespace vantoro::test;

namespace {

std::size_t CountEntries(const std::string& strFolder) {
    auto entries = std::filesystem::directory_iterator(strFolder);
    return static_cast<std::size_t>(std::distance(begin(entries), end(entries)));
}

} // namespace

TEST(ProfileRead, NamesIgnoreCaseFirstSectionAndKeyWinAndMissingGivesTheDefault) {
    CTempFolder tmp;
    std::string strFile = tmp / "s.INI";
    EXPECT_EQ(GetPrivateProfileString("APP", "PORT", "dflt", strFile), "dflt");
    EXPECT_EQ(GetPrivateProfileInt("APP", "PORT", 10, strFile), 10u);
    struct Case {
        const char* pszContent;
        const char* pszSection;
        const char* pszKey;
        const char* pszExpected; // the default is "<none>"
    };
    const char* pszMixed =
        "[Platform_Saltir]\nVariant = Saltir 48XT \nvariant_file=/Tmp/A.s19\n"
        "[APP]\n;PORT=9\nPORT=1\nPORT=2\n[OTHER]\nPORT=5\n[app]\nPORT=4\nLOG=X\n";
    const char* pszCrLf = "[APP]\r\nLOG=ENABLED\r\n";
    for (const Case& c :
         {Case{pszMixed, "PLATFORM_SALTIR", "VARIANT", "Saltir 48XT"},
          Case{pszMixed, "platform_saltir", "Variant_File", "/Tmp/A.s19"},
          Case{pszMixed, "APP", "PORT", "1"}, Case{pszMixed, "APP", "LOG", "<none>"},
          Case{pszMixed, "OTHER", "PORT", "5"}, Case{pszMixed, "NONE", "PORT", "<none>"},
          Case{pszCrLf, "APP", "LOG", "ENABLED"}}) {
        SCOPED_TRACE(std::string(c.pszSection) + "/" + c.pszKey);
        WriteTextFile(strFile, c.pszContent);
        EXPECT_EQ(GetPrivateProfileString(c.pszSection, c.pszKey, "<none>", strFile),
                  c.pszExpected);
    }
}

// A 100 KB line is cut on reading in the hardening tests; here the edge of the buffer.
TEST(ProfileRead, ValueLongerThanTheBufferComesBackCut) {
    CTempFolder tmp;
    std::string strFile = tmp / "long.INI";
    std::string strLong(4095, 'a');
    ASSERT_TRUE(WritePrivateProfileString("S", "K", strLong, strFile));
    EXPECT_EQ(GetPrivateProfileString("S", "K", "", strFile), strLong);
    EXPECT_EQ(GetPrivateProfileString("S", "none", strLong + "b", strFile), strLong);
    ASSERT_TRUE(WritePrivateProfileString("S", "K", strLong + "b", strFile));
    EXPECT_EQ(GetPrivateProfileString("S", "K", "", strFile), strLong);
}

TEST(ProfileInt, LeadingBlanksSignDigitsUpToTheFirstOtherCharacter) {
    CTempFolder tmp;
    std::string strFile = tmp / "i.INI";
    WriteTextFile(strFile, "[N]\na= 42abc\nb=-5\nc=+7\nd=abc\ne=\nf=4294967306\ng=  \t 12 3\n");
    const std::pair<const char*, std::uint32_t> cases[] = {
        {"a", 42u}, {"b", 0xFFFFFFFBu}, {"c", 7u},
        {"d", 10u}, {"e", 10u},         {"f", 10u}, // wraps modulo 2^32
        {"g", 12u}};
    for (const auto& [pszKey, nExpected] : cases)
        EXPECT_EQ(GetPrivateProfileInt("N", pszKey, 10, strFile), nExpected) << pszKey;
    EXPECT_EQ(GetPrivateProfileInt("N", "missing", -1, strFile), 0xFFFFFFFFu);
}

// The common cases are read through the settings; here what only the scanner sees.
TEST(ScanDecimal, FollowsScanfRulesAndLeavesTheValueWhenThereIsNoNumber) {
    int n = 99;
    for (const char* pszNoNumber : {"-", "99999999999", "-2147483649"}) // beyond int: no number
        EXPECT_FALSE(ScanDecimalInt(pszNoNumber, n)) << pszNoNumber;
    EXPECT_EQ(n, 99);
    EXPECT_TRUE(ScanDecimalInt("\t-2147483648", n));
    EXPECT_EQ(n, INT_MIN);
    std::int64_t w = 0;
    EXPECT_TRUE(ScanDecimalInt64("-9223372036854775808", w));
    EXPECT_EQ(w, INT64_MIN);
    EXPECT_TRUE(ScanDecimalInt64("9223372036854775808", w));
    EXPECT_EQ(w, INT64_MAX);
}

TEST(ProfileWrite, CreatesTheFileAndSectionsAndKeepsEachValueOnItsLine) {
    CTempFolder tmp;
    std::string strFile = tmp / "new.INI";
    ASSERT_TRUE(WritePrivateProfileString("APP", "PORT", "3", strFile));
    ASSERT_TRUE(WritePrivateProfileString("APP", "PLATFORM", "Saltir Series", strFile));
    ASSERT_TRUE(WritePrivateProfileString("PLATFORM_SALTIR", "VARIANT_FILE", "", strFile));
    ASSERT_TRUE(WritePrivateProfileString("APP", "LOG", "one\n[EVIL]\nX=1", strFile));
    EXPECT_EQ(ReadTextFile(strFile), "[APP]\nPORT=3\nPLATFORM=Saltir Series\nLOG=one\n\n"
                                     "[PLATFORM_SALTIR]\nVARIANT_FILE=\n");
    EXPECT_EQ(GetPrivateProfileString("PLATFORM_SALTIR", "VARIANT_FILE", "dflt", strFile), "");
}

TEST(ProfileWrite, ReplacesInPlaceAndKeepsEveryOtherLine) {
    CTempFolder tmp;
    std::string strFile = tmp / "keep.INI";
    WriteTextFile(strFile, "; settings of Vantoro\n[App]\nPort = 7\n; the platform comes next\n"
                           "PLATFORM=Verrin Series\nExtra=keep me\n\n[PLATFORM_VERRIN]\n"
                           "VARIANT=Verrin\nUnknown line without equals\n");
    ASSERT_TRUE(WritePrivateProfileString("APP", "PLATFORM", "Saltir Series", strFile));
    ASSERT_TRUE(WritePrivateProfileString("app", "PORT", "3", strFile));
    ASSERT_TRUE(WritePrivateProfileString("App", "QVR Series", "10", strFile));
    EXPECT_EQ(ReadTextFile(strFile), "; settings of Vantoro\n[App]\nPort=3\n"
                                     "; the platform comes next\nPLATFORM=Saltir Series\n"
                                     "Extra=keep me\nQVR Series=10\n\n[PLATFORM_VERRIN]\n"
                                     "VARIANT=Verrin\nUnknown line without equals\n");
}

TEST(ProfileWrite, KeepsCrLfLineEndsAndEndsACutLastLine) {
    CTempFolder tmp;
    std::string strFile = tmp / "crlf.INI";
    WriteTextFile(strFile, "[APP]\r\nPORT=1\r\nLOG=DISABLED");
    ASSERT_TRUE(WritePrivateProfileString("APP", "PORT", "2", strFile));
    ASSERT_TRUE(WritePrivateProfileString("APP", "LOG_FLAGS", "23", strFile));
    ASSERT_TRUE(WritePrivateProfileString("NEW", "K", "v", strFile));
    EXPECT_EQ(ReadTextFile(strFile),
              "[APP]\r\nPORT=2\r\nLOG=DISABLED\r\nLOG_FLAGS=23\r\n\r\n[NEW]\r\nK=v\r\n");
}

TEST(ProfileWrite, AFileCutAfterABareCarriageReturnGetsItsLineEnded) {
    // Found by fuzzing: the new key used to be glued to the last line and read back as missing.
    CTempFolder tmp;
    std::string strFile = tmp / "cut.INI";
    WriteTextFile(strFile, "[APP]\r\nPORT=1\r");
    ASSERT_TRUE(WritePrivateProfileString("APP", "LOG", "ENABLED", strFile));
    EXPECT_EQ(GetPrivateProfileString("APP", "PORT", "", strFile), "1");
    EXPECT_EQ(GetPrivateProfileString("APP", "LOG", "", strFile), "ENABLED");
    WriteTextFile(strFile, "junk\r");
    ASSERT_TRUE(WritePrivateProfileString("APP", "PORT", "3", strFile));
    EXPECT_EQ(GetPrivateProfileString("APP", "PORT", "", strFile), "3");
}

TEST(ProfileWrite, ReplacesTheFileByARenameKeepingItsModeAndLinks) {
    CTempFolder tmp;
    std::string strFile = tmp / "atomic.INI";
    WriteTextFile(strFile, "[APP]\nPORT=1\n");
    ASSERT_EQ(::chmod(strFile.c_str(), 0600), 0);
    struct stat before {};
    ASSERT_EQ(::stat(strFile.c_str(), &before), 0);
    ASSERT_TRUE(WritePrivateProfileString("APP", "PORT", "2", strFile));
    struct stat after {};
    ASSERT_EQ(::stat(strFile.c_str(), &after), 0);
    EXPECT_NE(before.st_ino, after.st_ino) << "the old file must be replaced, not rewritten";
    EXPECT_EQ(after.st_mode & 07777, 0600u);
    EXPECT_EQ(CountEntries(tmp.Path()), 1u) << "no temporary file is left";
    EXPECT_EQ(ReadTextFile(strFile), "[APP]\nPORT=2\n");

    std::string strLink = tmp / "link.INI";
    std::filesystem::create_symlink(strFile, strLink);
    ASSERT_TRUE(WritePrivateProfileString("APP", "PORT", "9", strLink));
    EXPECT_TRUE(std::filesystem::is_symlink(strLink));
    EXPECT_EQ(ReadTextFile(strFile), "[APP]\nPORT=9\n");
}

TEST(ProfileWrite, ClearsWhatKilledSavesLeftButNotWhatRunningOnesHold) {
    CTempFolder tmp;
    std::string strFile = tmp / "v.INI";
    const std::string strDead = strFile + ".tmp4194300-0"; // above any pid in use here
    const std::string strLive = strFile + ".tmp" + std::to_string(::getpid()) + "-7";
    const std::string strOther = strFile + ".tmpnote";
    for (const std::string& strName : {strDead, strLive, strOther})
        WriteTextFile(strName, "x");
    ASSERT_TRUE(WritePrivateProfileString("APP", "PORT", "1", strFile));
    EXPECT_FALSE(std::filesystem::exists(strDead));
    EXPECT_TRUE(std::filesystem::exists(strLive));
    EXPECT_TRUE(std::filesystem::exists(strOther));
}

TEST(ProfileWrite, AFileThatCannotBeWrittenFailsWithoutDamage) {
    CTempFolder tmp;
    WriteTextFile(tmp / "plain", "not a folder");
    std::filesystem::create_directory(tmp / "folder.INI");
    for (const std::string& strPath :
         {tmp / "missing/dir/x.INI", tmp / "plain/x.INI", tmp / "folder.INI", std::string()})
        EXPECT_FALSE(WritePrivateProfileString("APP", "PORT", "3", strPath)) << strPath;
    EXPECT_TRUE(std::filesystem::is_directory(tmp / "folder.INI"));
    EXPECT_EQ(ReadTextFile(tmp / "plain"), "not a folder");
    EXPECT_EQ(CountEntries(tmp.Path()), 2u) << "no temporary file is left behind";
}

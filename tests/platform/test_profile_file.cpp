#include "platform/cprofilefile.h"
#include "platform/testtempfolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

using namespace vantoro;
using vantoro::test::CTempFolder;
using vantoro::test::ReadTextFile;
using vantoro::test::WriteTextFile;

namespace {

std::size_t CountEntries(const std::string& strFolder) {
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(strFolder))
        ++n;
    return n;
}

} // namespace

TEST(ProfileRead, MissingFileSectionOrKeyGivesTheDefault) {
    CTempFolder tmp;
    std::string strFile = tmp / "none.INI";
    EXPECT_EQ(GetPrivateProfileString("APP", "PORT", "dflt", strFile), "dflt");
    EXPECT_EQ(GetPrivateProfileInt("APP", "PORT", 10, strFile), 10u);

    WriteTextFile(strFile, "[APP]\nPORT=3\n");
    EXPECT_EQ(GetPrivateProfileString("OTHER", "PORT", "", strFile), "");
    EXPECT_EQ(GetPrivateProfileString("APP", "PLATFORM", "x", strFile), "x");
    EXPECT_EQ(GetPrivateProfileString("APP", "PORT", "", strFile), "3");
}

TEST(ProfileRead, SectionAndKeyNamesIgnoreCaseValuesComeBackAsStored) {
    CTempFolder tmp;
    std::string strFile = tmp / "s.INI";
    WriteTextFile(strFile, "[Platform_Saltir]\nVariant = Saltir 48XT \nvariant_file=/Tmp/A.s19\n");
    EXPECT_EQ(GetPrivateProfileString("PLATFORM_SALTIR", "VARIANT", "", strFile), "Saltir 48XT");
    EXPECT_EQ(GetPrivateProfileString("platform_saltir", "Variant_File", "", strFile),
              "/Tmp/A.s19");
}

TEST(ProfileRead, FirstSectionAndFirstKeyWinCommentsAreNotKeys) {
    CTempFolder tmp;
    std::string strFile = tmp / "d.INI";
    WriteTextFile(strFile,
                  "[APP]\n;PORT=9\nPORT=1\nPORT=2\n[OTHER]\nPORT=5\n[app]\nPORT=4\nLOG=X\n");
    EXPECT_EQ(GetPrivateProfileString("APP", "PORT", "", strFile), "1");
    EXPECT_EQ(GetPrivateProfileString("APP", "LOG", "none", strFile), "none");
    EXPECT_EQ(GetPrivateProfileString("OTHER", "PORT", "", strFile), "5");
}

TEST(ProfileRead, CrLfLinesAreRead) {
    CTempFolder tmp;
    std::string strFile = tmp / "crlf.INI";
    WriteTextFile(strFile, "[APP]\r\nPLATFORM=Verrin Series\r\nLOG=ENABLED\r\n");
    EXPECT_EQ(GetPrivateProfileString("APP", "PLATFORM", "", strFile), "Verrin Series");
    EXPECT_EQ(GetPrivateProfileString("APP", "LOG", "", strFile), "ENABLED");
}

TEST(ProfileRead, ValueLongerThanTheBufferComesBackCut) {
    CTempFolder tmp;
    std::string strFile = tmp / "long.INI";
    std::string strLong(5000, 'a');
    strLong[4094] = 'Z';
    strLong[4095] = 'Y';
    ASSERT_TRUE(WritePrivateProfileString("S", "K", strLong, strFile));
    std::string strRead = GetPrivateProfileString("S", "K", "", strFile);
    ASSERT_EQ(strRead.size(), kProfileBufferSize - 1);
    EXPECT_EQ(strRead.back(), 'Z');
    EXPECT_EQ(strRead, strLong.substr(0, 4095));

    std::string strExact(4095, 'b');
    ASSERT_TRUE(WritePrivateProfileString("S", "K", strExact, strFile));
    EXPECT_EQ(GetPrivateProfileString("S", "K", "", strFile), strExact);
    // A long default is cut the same way.
    EXPECT_EQ(GetPrivateProfileString("S", "none", strLong, strFile).size(), 4095u);
}

TEST(ProfileInt, LeadingBlanksSignDigitsUpToTheFirstOtherCharacter) {
    CTempFolder tmp;
    std::string strFile = tmp / "i.INI";
    WriteTextFile(strFile, "[N]\na= 42abc\nb=-5\nc=+7\nd=abc\ne=\nf=4294967306\ng=  \t 12 3\n");
    EXPECT_EQ(GetPrivateProfileInt("N", "a", 10, strFile), 42u);
    EXPECT_EQ(GetPrivateProfileInt("N", "b", 10, strFile), 0xFFFFFFFBu);
    EXPECT_EQ(GetPrivateProfileInt("N", "c", 10, strFile), 7u);
    EXPECT_EQ(GetPrivateProfileInt("N", "d", 10, strFile), 10u);
    EXPECT_EQ(GetPrivateProfileInt("N", "e", 10, strFile), 10u);
    EXPECT_EQ(GetPrivateProfileInt("N", "f", 10, strFile), 10u); // wraps modulo 2^32
    EXPECT_EQ(GetPrivateProfileInt("N", "g", 10, strFile), 12u);
    EXPECT_EQ(GetPrivateProfileInt("N", "missing", -1, strFile), 0xFFFFFFFFu);
}

TEST(ProfileWrite, CreatesTheFileAndTheSection) {
    CTempFolder tmp;
    std::string strFile = tmp / "new.INI";
    ASSERT_TRUE(WritePrivateProfileString("APP", "PORT", "3", strFile));
    EXPECT_EQ(ReadTextFile(strFile), "[APP]\nPORT=3\n");
    ASSERT_TRUE(WritePrivateProfileString("APP", "PLATFORM", "Saltir Series", strFile));
    ASSERT_TRUE(WritePrivateProfileString("PLATFORM_SALTIR", "VARIANT", "Saltir 24", strFile));
    ASSERT_TRUE(WritePrivateProfileString("APP", "LOG", "DISABLED", strFile));
    EXPECT_EQ(ReadTextFile(strFile), "[APP]\nPORT=3\nPLATFORM=Saltir Series\nLOG=DISABLED\n\n"
                                     "[PLATFORM_SALTIR]\nVARIANT=Saltir 24\n");
}

TEST(ProfileWrite, ReplacesInPlaceAndKeepsEveryOtherLine) {
    CTempFolder tmp;
    std::string strFile = tmp / "keep.INI";
    const std::string strBefore = "; settings of Vantoro\n"
                                  "[App]\n"
                                  "Port = 7\n"
                                  "; the platform comes next\n"
                                  "PLATFORM=Verrin Series\n"
                                  "Extra=keep me\n"
                                  "\n"
                                  "[PLATFORM_VERRIN]\n"
                                  "VARIANT=Verrin\n"
                                  "Unknown line without equals\n";
    WriteTextFile(strFile, strBefore);
    ASSERT_TRUE(WritePrivateProfileString("APP", "PLATFORM", "Saltir Series", strFile));
    ASSERT_TRUE(WritePrivateProfileString("app", "PORT", "3", strFile));
    ASSERT_TRUE(WritePrivateProfileString("App", "QVR Series", "10", strFile));
    EXPECT_EQ(ReadTextFile(strFile), "; settings of Vantoro\n"
                                     "[App]\n"
                                     "Port=3\n"
                                     "; the platform comes next\n"
                                     "PLATFORM=Saltir Series\n"
                                     "Extra=keep me\n"
                                     "QVR Series=10\n"
                                     "\n"
                                     "[PLATFORM_VERRIN]\n"
                                     "VARIANT=Verrin\n"
                                     "Unknown line without equals\n");
}

TEST(ProfileWrite, KeepsCrLfLineEndsAndHandlesAMissingFinalLineEnd) {
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

TEST(ProfileWrite, EmptyValueIsWrittenAndReadsAsEmpty) {
    CTempFolder tmp;
    std::string strFile = tmp / "e.INI";
    ASSERT_TRUE(WritePrivateProfileString("S", "VARIANT_FILE", "", strFile));
    EXPECT_EQ(ReadTextFile(strFile), "[S]\nVARIANT_FILE=\n");
    EXPECT_EQ(GetPrivateProfileString("S", "VARIANT_FILE", "dflt", strFile), "");
}

TEST(ProfileWrite, ALineBreakInTheValueCannotBreakTheFile) {
    CTempFolder tmp;
    std::string strFile = tmp / "n.INI";
    ASSERT_TRUE(WritePrivateProfileString("S", "K", "one\n[EVIL]\nX=1", strFile));
    EXPECT_EQ(ReadTextFile(strFile), "[S]\nK=one\n");
}

TEST(ProfileWrite, GoesThroughARenameAndLeavesNoTemporaryFile) {
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
    EXPECT_EQ(after.st_mode & 07777, 0600u) << "the file keeps its permissions";
    EXPECT_EQ(CountEntries(tmp.Path()), 1u);
    EXPECT_EQ(ReadTextFile(strFile), "[APP]\nPORT=2\n");
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

TEST(ProfileWrite, WritesThroughASymbolicLinkToItsTarget) {
    CTempFolder tmp;
    std::string strReal = tmp / "real.INI";
    std::string strLink = tmp / "link.INI";
    WriteTextFile(strReal, "[APP]\nPORT=1\n");
    std::filesystem::create_symlink(strReal, strLink);
    ASSERT_TRUE(WritePrivateProfileString("APP", "PORT", "9", strLink));
    EXPECT_TRUE(std::filesystem::is_symlink(strLink));
    EXPECT_EQ(ReadTextFile(strReal), "[APP]\nPORT=9\n");
}

TEST(ProfileWrite, AFileThatCannotBeWrittenFailsWithoutDamage) {
    CTempFolder tmp;
    // The folder does not exist.
    EXPECT_FALSE(WritePrivateProfileString("APP", "PORT", "3", tmp / "missing/dir/x.INI"));
    // The "folder" is a regular file.
    WriteTextFile(tmp / "plain", "not a folder");
    EXPECT_FALSE(WritePrivateProfileString("APP", "PORT", "3", tmp / "plain/x.INI"));
    // The settings path names a folder.
    std::filesystem::create_directory(tmp / "folder.INI");
    EXPECT_FALSE(WritePrivateProfileString("APP", "PORT", "3", tmp / "folder.INI"));
    EXPECT_TRUE(std::filesystem::is_directory(tmp / "folder.INI"));
    EXPECT_FALSE(WritePrivateProfileString("APP", "PORT", "3", ""));
    EXPECT_EQ(ReadTextFile(tmp / "plain"), "not a folder");
    EXPECT_EQ(CountEntries(tmp.Path()), 2u) << "no temporary file is left behind";
}

TEST(ScanDecimal, FollowsScanfRulesAndLeavesTheValueWhenThereIsNoNumber) {
    int n = 99;
    EXPECT_TRUE(ScanDecimalInt("  12x", n));
    EXPECT_EQ(n, 12);
    EXPECT_TRUE(ScanDecimalInt("\t-8", n));
    EXPECT_EQ(n, -8);
    n = 99;
    EXPECT_FALSE(ScanDecimalInt("abc", n));
    EXPECT_FALSE(ScanDecimalInt("", n));
    EXPECT_FALSE(ScanDecimalInt("-", n));
    EXPECT_FALSE(ScanDecimalInt("99999999999", n)) << "out of int range is no number";
    EXPECT_EQ(n, 99);
    EXPECT_TRUE(ScanDecimalInt("2147483647", n));
    EXPECT_EQ(n, 2147483647);

    std::int64_t w = 0;
    EXPECT_TRUE(ScanDecimalInt64("123456789012", w));
    EXPECT_EQ(w, 123456789012LL);
    EXPECT_TRUE(ScanDecimalInt64("99999999999999999999999", w));
    EXPECT_EQ(w, INT64_MAX);
    EXPECT_TRUE(ScanDecimalInt64("-99999999999999999999999", w));
    EXPECT_EQ(w, INT64_MIN);
    EXPECT_TRUE(ScanDecimalInt64("-9223372036854775808", w));
    EXPECT_EQ(w, INT64_MIN);
}

#include "platform/cfilesearch.h"
#include "platform/cinstallpath.h"
#include "platform/testtempfolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

using namespace vantoro;
using vantoro::test::CTempFolder;
using vantoro::test::MakeFolder;
using vantoro::test::WriteTextFile;

struct MatchCase {
    const char* pszName;
    const char* pszPattern;
    const char* pszFile;
    bool bMatch;
};

void PrintTo(const MatchCase& c, std::ostream* pOut) {
    *pOut << c.pszPattern << " / " << c.pszFile;
}

class FilePatternMatch : public ::testing::TestWithParam<MatchCase> {};

TEST_P(FilePatternMatch, AsTheWindowsFileSearchDoes) {
    const MatchCase& c = GetParam();
    EXPECT_EQ(MatchFilePattern(c.pszPattern, c.pszFile), c.bMatch)
        << c.pszPattern << " against " << c.pszFile;
}

INSTANTIATE_TEST_SUITE_P(
    Patterns, FilePatternMatch,
    ::testing::Values(
        MatchCase{"ExactName", "verv101.s19", "verv101.s19", true},
        MatchCase{"CaseIgnored", "verv???.s19", "VERV120.S19", true},
        MatchCase{"LettersInVersion", "verv???.s19", "verv11a.s19", true},
        MatchCase{"QuestionRunBeforeDotMatchesFewer", "verv???.s19", "verv12.s19", true},
        MatchCase{"QuestionRunMatchesNoMoreThanItsLength", "verv???.s19", "verv1234.s19", false},
        MatchCase{"OtherModel", "st24v???.s19", "st48v200.s19", false},
        MatchCase{"QuestionInTheMiddleNeedsOne", "a?c", "ac", false},
        MatchCase{"QuestionInTheMiddle", "a?c", "abc", true},
        MatchCase{"QuestionRunAtTheEnd", "ab??", "ab", true},
        MatchCase{"StarAnyRun", "zrl*.mot", "ZRL1234.MOT", true},
        MatchCase{"StarEmptyRun", "zrl*.mot", "zrl.mot", true},
        MatchCase{"StarDotStarMatchesNoDot", "*.*", "README", true},
        MatchCase{"StarDotStarMatchesAll", "*.*", "a.b.c", true},
        MatchCase{"StarExtension", "*.s19", "x.S19", true},
        MatchCase{"WrongExtension", "*.s19", "x.s28", false},
        MatchCase{"LongerName", "verv???.s19", "verv101.s19.bak", false},
        MatchCase{"PrefixDiffers", "verv???.s19", "xerv101.s19", false},
        MatchCase{"IxoV2Pattern", "ixov2.?.??*.s19", "IXOV2.1.23b.s19", true}),
    [](const ::testing::TestParamInfo<MatchCase>& info) { return info.param.pszName; });

TEST(FindFiles, ListsMatchingFilesAndSkipsDirectories) {
    CTempFolder tmp;
    for (const char* pszName : {"verv101.s19", "VERV120.S19", "verv11a.s19", "other.txt"})
        WriteTextFile(tmp / pszName, "S0\n");
    MakeFolder(tmp / "verv999.s19");
    std::filesystem::create_symlink(tmp / "verv999.s19", tmp / "verv998.s19");

    std::vector<std::string> names = FindFiles(tmp / "verv???.s19");
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"VERV120.S19", "verv101.s19", "verv11a.s19"}));
}

TEST(FindFiles, MissingFolderOrEmptyPatternGivesNothing) {
    CTempFolder tmp;
    EXPECT_TRUE(FindFiles(tmp / "nothing/here/*.*").empty());
    EXPECT_TRUE(FindFiles(tmp.Path()).empty());
    EXPECT_TRUE(FindFiles(tmp / "*.*").empty());
}

TEST(FindFiles, AFileNameAsFolderGivesNothing) {
    CTempFolder tmp;
    WriteTextFile(tmp / "file", "x");
    EXPECT_TRUE(FindFiles(tmp / "file/*.*").empty());
}

TEST(PathTests, DirectoryAndExistence) {
    CTempFolder tmp;
    WriteTextFile(tmp / "f.s19", "x");
    EXPECT_TRUE(IsExistingDirectory(tmp.Path()));
    EXPECT_FALSE(IsExistingDirectory(tmp / "f.s19"));
    EXPECT_FALSE(IsExistingDirectory(tmp / "gone/"));
    EXPECT_FALSE(IsExistingDirectory(""));
    EXPECT_TRUE(PathExists(tmp / "f.s19"));
    EXPECT_TRUE(PathExists(tmp.Path()));
    EXPECT_FALSE(PathExists(tmp / "gone.s19"));
    EXPECT_FALSE(PathExists(""));
}

TEST(InstallPath, ReadsPromPathFromTheInstallSection) {
    CTempFolder tmp;
    std::string strIni = tmp / "Install.ini";
    std::string strPath = "unchanged";
    EXPECT_FALSE(LookupInstallPath(strPath, strIni)) << "missing file";
    EXPECT_EQ(strPath, "unchanged");

    WriteTextFile(strIni, "[Install]\nOther=1\n");
    EXPECT_FALSE(LookupInstallPath(strPath, strIni)) << "missing key";
    WriteTextFile(strIni, "[Install]\nProm_Path=\n");
    EXPECT_FALSE(LookupInstallPath(strPath, strIni)) << "empty value";
    EXPECT_EQ(strPath, "unchanged");

    WriteTextFile(strIni, "[install]\nPROM_PATH=/opt/Proms\n");
    EXPECT_TRUE(LookupInstallPath(strPath, strIni));
    EXPECT_EQ(strPath, "/opt/Proms");
}

TEST(InstallPath, DefaultFileIsTheDocumentedOne) {
    EXPECT_STREQ(kInstallIniPath, "/etc/Quentar/Proms/Install.ini");
}

#include "platform/cfilesearch.h"
#include "platform/cinstallpath.h"
#include "platform/testtempfolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

using namespace vantoro;
using namespace vantoro::test;

TEST(FilePattern, MatchesAsTheWindowsFileSearchDoes) {
    struct Case {
        const char* pszPattern;
        const char* pszFile;
        bool bMatch;
    };
    for (const Case& c :
         {Case{"verv???.s19", "VERV120.S19", true}, // case ignored
          Case{"verv???.s19", "verv11a.s19", true},
          Case{"verv???.s19", "verv12.s19", true}, // '?' before a dot: fewer
          Case{"verv???.s19", "verv1234.s19", false}, Case{"verv???.s19", "verv101.s19.bak", false},
          Case{"verv???.s19", "xerv101.s19", false}, Case{"st24v???.s19", "st48v200.s19", false},
          Case{"a?c", "ac", false}, Case{"a?c", "abc", true}, Case{"ab??", "ab", true},
          Case{"zrl*.mot", "ZRL1234.MOT", true}, Case{"zrl*.mot", "zrl.mot", true},
          Case{"*.*", "README", true}, Case{"*.*", "a.b.c", true}, Case{"*.s19", "x.S19", true},
          Case{"*.s19", "x.s28", false}, Case{"ixov2.?.??*.s19", "IXOV2.1.23b.s19", true}}) {
        EXPECT_EQ(MatchFilePattern(c.pszPattern, c.pszFile), c.bMatch)
            << c.pszPattern << " against " << c.pszFile;
    }
}

TEST(FindFiles, ListsMatchingFilesOnlyAndNothingForABadFolderOrPattern) {
    CTempFolder tmp;
    EXPECT_TRUE(FindFiles(tmp / "*.*").empty());
    for (const char* pszName : {"verv101.s19", "VERV120.S19", "verv11a.s19", "other.txt"})
        WriteTextFile(tmp / pszName, "S0\n");
    MakeFolder(tmp / "verv999.s19");
    std::filesystem::create_symlink(tmp / "verv999.s19", tmp / "verv998.s19");

    std::vector<std::string> names = FindFiles(tmp / "verv???.s19");
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"VERV120.S19", "verv101.s19", "verv11a.s19"}));
    EXPECT_TRUE(FindFiles(tmp / "nothing/here/*.*").empty());
    EXPECT_TRUE(FindFiles(tmp.Path()).empty());
    EXPECT_TRUE(FindFiles(tmp / "other.txt/*.*").empty());

    EXPECT_TRUE(IsExistingDirectory(tmp.Path()));
    EXPECT_FALSE(IsExistingDirectory(tmp / "other.txt"));
    EXPECT_FALSE(IsExistingDirectory(tmp / "gone/"));
    EXPECT_FALSE(IsExistingDirectory(""));
    EXPECT_TRUE(PathExists(tmp / "other.txt"));
    EXPECT_FALSE(PathExists(tmp / "gone.s19"));
    EXPECT_FALSE(PathExists(""));
}

TEST(InstallPath, ReadsPromPathFromTheInstallSection) {
    EXPECT_STREQ(kInstallIniPath, "/etc/Quentar/Proms/Install.ini");
    CTempFolder tmp;
    std::string strIni = tmp / "Install.ini";
    std::string strPath = "unchanged";
    EXPECT_FALSE(LookupInstallPath(strPath, strIni)) << "missing file";
    for (const char* pszBad : {"[Install]\nOther=1\n", "[Install]\nProm_Path=\n"}) {
        WriteTextFile(strIni, pszBad);
        EXPECT_FALSE(LookupInstallPath(strPath, strIni)) << pszBad;
    }
    EXPECT_EQ(strPath, "unchanged");

    WriteTextFile(strIni, "[install]\nPROM_PATH=/opt/Proms\n");
    EXPECT_TRUE(LookupInstallPath(strPath, strIni));
    EXPECT_EQ(strPath, "/opt/Proms");
}

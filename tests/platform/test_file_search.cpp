#include "platform/cfilesearch.h"
#include "platform/cinstallpath.h"
#include "platform/testtempfolder.h"

#include <gtest/gtest.h>

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

// The software list tests cover the ordinary folder; here what only the file search sees.
TEST(FindFiles, SkipsLinksToFoldersAndGivesNothingForABadFolderOrPattern) {
    CTempFolder tmp;
    WriteTextFile(tmp / "verv101.s19", "S0\n");
    MakeFolder(tmp / "verv999.s19");
    std::filesystem::create_symlink(tmp / "verv999.s19", tmp / "verv998.s19");
    EXPECT_EQ(FindFiles(tmp / "verv???.s19"), std::vector<std::string>{"verv101.s19"});
    EXPECT_TRUE(FindFiles(tmp.Path()).empty());
    EXPECT_TRUE(FindFiles(tmp / "verv101.s19/*.*").empty());
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

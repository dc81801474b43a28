// The chooser's view of the file system: folders named in any script are listed by the names
// the user sees, and open again by those names.
#include "dirchooser/folderlisting.h"
#include "platform/fspath.h"
#include "platform/testtempfolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

using namespace vantoro;
using namespace vantoro::test;

TEST(FolderListing, NonAsciiFoldersAreListedAndFoundByTheirUtf8Names) {
    CTempFolder tmp;
    const std::string strFolder = tmp / kNonAsciiFolderName;
    ASSERT_TRUE(std::filesystem::create_directory(FsPath(strFolder)));
    ASSERT_TRUE(std::filesystem::create_directory(FsPath(strFolder + "/" + kNonAsciiName)));
    ASSERT_TRUE(std::filesystem::create_directory(FsPath(strFolder + "/.hidden")));
    ASSERT_TRUE(std::filesystem::create_directory(FsPath(strFolder + "/plain")));
    std::ofstream(FsPath(strFolder + "/file.s19")) << "S9030000FC\n";

    EXPECT_EQ(ListSubfolders(tmp.Path()), std::vector<std::string>{kNonAsciiFolderName});
    std::vector<std::string> names = ListSubfolders(strFolder);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{kNonAsciiName, "plain"}));

    EXPECT_TRUE(IsFolder(strFolder + "/" + kNonAsciiName));
    EXPECT_FALSE(IsFolder(strFolder + "/file.s19"));
    EXPECT_FALSE(IsFolder(strFolder + "/missing"));
    EXPECT_TRUE(ListSubfolders(strFolder + "/missing").empty());
}

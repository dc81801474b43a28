#include <gtest/gtest.h>

#include "dirchooser/clinuxdrivesource.h"
#include "dirchooser/clinuxnetworksource.h"
#include "dirchooser/cmounttable.h"
#include "tempfolder.h"

using namespace vantoro;
using vantoro::test::CTempFolder;

namespace {

const char kMounts[] = "sysfs /sys sysfs rw 0 0\n"
                       "/dev/sda1 / ext4 rw 0 0\n"
                       "//fs1/Public /mnt/public cifs rw 0 0\n"
                       "/dev/sdb1 /media/ann/USB\\040STICK vfat rw 0 0\n"
                       "fs1:/export/home /net/home nfs4 rw 0 0\n"
                       "/dev/sr0 /run/media/ann/DISC iso9660 ro 0 0\n"
                       "ann@backup.lan: /home/ann/backup fuse.sshfs rw 0 0\n"
                       "tmpfs /mnt/scratch tmpfs rw 0 0\n"
                       "broken-line\n"
                       "/dev/sdc1 /mnt ext4 rw 0 0\n"
                       "/dev/sdb2 /media/ann/USB\\040STICK ext4 rw 0 0\n"
                       "[fe80::1]:/ /mnt/v6 nfs rw 0 0\n";

} // namespace

TEST(MountTable, ParsesFieldsAndDecodesEscapes) {
    const auto entries = CMountTable::Parse(kMounts);
    ASSERT_EQ(entries.size(), 11u); // the line with one field is skipped
    EXPECT_EQ(entries[3].strMountPoint, "/media/ann/USB STICK");
    EXPECT_EQ(entries[3].strType, "vfat");
    EXPECT_EQ(entries[2].strDevice, "//fs1/Public");

    EXPECT_EQ(CMountTable::Unescape("a\\134b\\011c"), "a\\b\tc");
    EXPECT_EQ(CMountTable::Unescape("end\\04"), "end\\04"); // incomplete escape kept
    EXPECT_EQ(CMountTable::Unescape("\\999"), "\\999");

    std::vector<SMountEntry> read;
    EXPECT_FALSE(CMountTable::Read("/nonexistent/mounts", read));
}

TEST(MountTable, SplitsNetworkDevicesIntoServerAndPath) {
    struct SCase {
        const char* pszType;
        const char* pszDevice;
        bool bOk;
        const char* pszServer;
        const char* pszPath;
    };
    const SCase cases[] = {
        {"cifs", "//fs1/Public/sub", true, "fs1", "Public/sub"},
        {"smb3", "\\\\fs2\\Data", true, "fs2", "Data"},
        {"cifs", "//fs3", true, "fs3", ""},
        {"cifs", "//", false, "", ""},
        {"nfs4", "fs1:/export/home", true, "fs1", "/export/home"},
        {"nfs", "[fe80::1]:/", true, "[fe80::1]", "/"},
        {"fuse.sshfs", "ann@backup.lan:", true, "backup.lan", ""},
        {"nfs", ":/nohost", false, "", ""},
        {"ext4", "/dev/sda1", false, "", ""},
    };
    for (const SCase& c : cases) {
        std::string strServer;
        std::string strPath;
        EXPECT_EQ(CMountTable::SplitNetworkDevice(c.pszType, c.pszDevice, strServer, strPath),
                  c.bOk)
            << c.pszDevice;
        if (c.bOk) {
            EXPECT_EQ(strServer, c.pszServer) << c.pszDevice;
            EXPECT_EQ(strPath, c.pszPath) << c.pszDevice;
        }
    }
}

TEST(LinuxDriveSource, ListsRootHomeAndMediaMountsInOrder) {
    CTempFolder temp;
    const std::string strMounts = temp.WriteFile("mounts", kMounts);
    const std::string strHome = temp.MakeDirs("home/ann");
    CLinuxDriveSource source(strMounts, strHome + "/");
    const auto drives = source.ListDrives();
    std::vector<std::pair<std::string, int>> got;
    for (const SDriveEntry& d : drives)
        got.emplace_back(d.strRoot, d.nType);
    const std::vector<std::pair<std::string, int>> expected = {
        {"/", DriveFixed},
        {strHome, DriveFixed},
        {"/media/ann/USB STICK", DriveRemovable}, // mounted twice, listed once
        {"/mnt/scratch", DriveRamdisk},
        {"/run/media/ann/DISC", DriveCdrom},
    };
    EXPECT_EQ(got, expected);

    // Without a readable mount table the fixed places remain.
    CLinuxDriveSource bare("/nonexistent/mounts", strHome);
    EXPECT_EQ(bare.ListDrives().size(), 2u);
}

TEST(LinuxNetworkSource, GroupsMountedSharesByServer) {
    CTempFolder temp;
    CLinuxNetworkSource source(temp.WriteFile("mounts", kMounts));
    std::vector<SNetResource> servers;
    ASSERT_TRUE(source.EnumerateNetwork(nullptr, servers));
    std::vector<std::string> names;
    for (const SNetResource& r : servers) {
        names.push_back(r.strRemoteName);
        EXPECT_EQ(r.nDisplayType, NetDisplayServer);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"//fs1", "//backup.lan", "//[fe80::1]"}));

    std::vector<SNetResource> shares;
    ASSERT_TRUE(source.EnumerateNetwork(&servers[0], shares));
    ASSERT_EQ(shares.size(), 2u);
    EXPECT_EQ(shares[0].strRemoteName, "//fs1/Public");
    EXPECT_EQ(shares[0].strLocalName, "/mnt/public");
    EXPECT_EQ(shares[1].strRemoteName, "//fs1/export/home");
    EXPECT_EQ(shares[1].strLocalName, "/net/home");
    EXPECT_EQ(shares[1].nDisplayType, NetDisplayShare);

    shares.clear();
    ASSERT_TRUE(source.EnumerateNetwork(&servers[1], shares));
    ASSERT_EQ(shares.size(), 1u);
    EXPECT_EQ(shares[0].strRemoteName, "//backup.lan/~");

    // A share is not a container, and a missing table is a failure that adds nothing.
    std::vector<SNetResource> none;
    EXPECT_FALSE(source.EnumerateNetwork(&shares[0], none));
    CLinuxNetworkSource missing("/nonexistent/mounts");
    EXPECT_FALSE(missing.EnumerateNetwork(nullptr, none));
    EXPECT_TRUE(none.empty());
}

TEST(LinuxNetworkSource, ShareLabels) {
    EXPECT_EQ(CLinuxNetworkSource::ShareLabel("/export/home/"), "export/home");
    EXPECT_EQ(CLinuxNetworkSource::ShareLabel("Public"), "Public");
    EXPECT_EQ(CLinuxNetworkSource::ShareLabel("/"), "/");
    EXPECT_EQ(CLinuxNetworkSource::ShareLabel(""), "~");
}

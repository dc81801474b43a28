#include <gtest/gtest.h>

#include "dirchooser/posix/clinuxdrivesource.h"
#include "dirchooser/posix/clinuxnetworksource.h"
#include "dirchooser/posix/cmounttable.h"
#include "platform/testtempfolder.h"

using namespace vantoro;

namespace {

const char kMounts[] = "/dev/sda1 / ext4 rw 0 0\n"
                       "//fs1/Public /mnt/public cifs rw 0 0\n"
                       "/dev/sdb1 /media/ann/USB\\040STICK vfat rw 0 0\n"
                       "fs1:/export/home /net/home nfs4 rw 0 0\n"
                       "/dev/sr0 /run/media/ann/DISC iso9660 ro 0 0\n"
                       "ann@backup.lan: /home/ann/backup fuse.sshfs rw 0 0\n"
                       "tmpfs /mnt/scratch tmpfs rw 0 0\n"
                       "broken-line\n"
                       "/dev/sdc1 /mnt ext4 rw 0 0\n"
                       "/dev/sdb2 /media/ann/USB\\040STICK ext4 rw 0 0\n";

// A mount table in a temporary folder, as the sources read it.
class MountSources : public ::testing::Test {
protected:
    void SetUp() override { test::WriteTextFile(m_strMounts, kMounts); }
    test::CTempFolder m_temp;
    std::string m_strMounts = m_temp / "mounts";
};

} // namespace

TEST(MountTable, DecodesEscapesAndSkipsBrokenLines) {
    const auto entries = CMountTable::Parse(kMounts);
    ASSERT_EQ(entries.size(), 9u);
    EXPECT_EQ(entries[2].strMountPoint, "/media/ann/USB STICK");
    EXPECT_EQ(CMountTable::Unescape("a\\134b\\011c"), "a\\b\tc");
    EXPECT_EQ(CMountTable::Unescape("end\\04"), "end\\04"); // incomplete escapes stay
    EXPECT_EQ(CMountTable::Unescape("\\999"), "\\999");
}

TEST(MountTable, SplitsNetworkDevicesIntoServerAndPath) {
    // The common forms are read through the network source below.
    struct SCase {
        const char* pszType;
        const char* pszDevice;
        const char* pszServer; // null: not a network device
        const char* pszPath;
    };
    const SCase cases[] = {
        {"smb3", "\\\\fs2\\Data", "fs2", "Data"}, {"cifs", "//", nullptr, nullptr},
        {"nfs", "[fe80::1]:/", "[fe80::1]", "/"}, {"nfs", ":/nohost", nullptr, nullptr},
        {"ext4", "/dev/sda1", nullptr, nullptr},
    };
    for (const SCase& c : cases) {
        std::string strServer;
        std::string strPath;
        const bool bOk =
            CMountTable::SplitNetworkDevice(c.pszType, c.pszDevice, strServer, strPath);
        ASSERT_EQ(bOk, c.pszServer != nullptr) << c.pszDevice;
        if (bOk) {
            EXPECT_EQ(strServer, c.pszServer) << c.pszDevice;
            EXPECT_EQ(strPath, c.pszPath) << c.pszDevice;
        }
    }
}

TEST_F(MountSources, DrivesAreRootHomeThenLocalMediaInOrder) {
    const std::string strHome = m_temp / "home/ann";
    test::MakeFolder(strHome);
    std::vector<std::pair<std::string, int>> got;
    for (const SDriveEntry& d : CLinuxDriveSource(m_strMounts, strHome + "/").ListDrives())
        got.emplace_back(d.strRoot, d.nType);
    const std::vector<std::pair<std::string, int>> expected = {
        {"/", DriveFixed},
        {strHome, DriveFixed},
        {"/media/ann/USB STICK", DriveRemovable}, // mounted twice, listed once
        {"/mnt/scratch", DriveRamdisk},
        {"/run/media/ann/DISC", DriveCdrom},
    };
    EXPECT_EQ(got, expected);
    EXPECT_EQ(CLinuxDriveSource("/nonexistent", strHome).ListDrives().size(), 2u);
}

TEST_F(MountSources, NetworkListsServersThenTheirMountedShares) {
    CLinuxNetworkSource source(m_strMounts);
    std::vector<SNetResource> servers;
    ASSERT_TRUE(source.EnumerateNetwork(nullptr, servers));
    ASSERT_EQ(servers.size(), 2u);
    EXPECT_EQ(servers[0].strRemoteName, "//fs1");
    EXPECT_EQ(servers[0].nDisplayType, NetDisplayServer);
    EXPECT_EQ(servers[1].strRemoteName, "//backup.lan");

    std::vector<SNetResource> shares;
    ASSERT_TRUE(source.EnumerateNetwork(&servers[0], shares));
    ASSERT_EQ(shares.size(), 2u);
    EXPECT_EQ(shares[0].strRemoteName, "//fs1/Public");
    EXPECT_EQ(shares[0].strLocalName, "/mnt/public");
    EXPECT_EQ(shares[1].strRemoteName, "//fs1/export/home");
    EXPECT_EQ(shares[1].nDisplayType, NetDisplayShare);
    shares.clear();
    ASSERT_TRUE(source.EnumerateNetwork(&servers[1], shares));
    EXPECT_EQ(shares.at(0).strRemoteName, "//backup.lan/~"); // the ssh login folder

    // A share is no container, and an unreadable table is a failure that adds nothing.
    std::vector<SNetResource> none;
    EXPECT_FALSE(source.EnumerateNetwork(&shares[0], none));
    EXPECT_FALSE(CLinuxNetworkSource("/nonexistent").EnumerateNetwork(nullptr, none));
    EXPECT_TRUE(none.empty());
}

#include "ptypair.h"
#include "serial/comportdiscovery.h"
#include "serial/comportnames.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

using namespace vantoro;
namespace fs = std::filesystem;

TEST(ComPortNames, NamesAndBuiltInNumbering) {
    for (const auto& [pszName, nPort] : {std::pair{"\\\\.\\Com7", 7},
                                         {"COM12", 12},
                                         {"\\\\.\\Com0", -1},
                                         {"\\\\.\\Com7x", -1},
                                         {"/dev/ttyS0", -1}})
        EXPECT_EQ(ComNumberFromName(pszName), nPort) << pszName;
    for (const auto& [pszNode, nPort] : {std::pair{"/dev/ttyS0", 1},
                                         {"/dev/ttyS31", 32},
                                         {"/dev/ttyS32", -1}, // would take ttyUSB0's number
                                         {"/dev/ttyUSB0", 33},
                                         {"/dev/ttyACM2", 67},
                                         {"/dev/ttyAMA0", -1},
                                         {"/dev/ttyUSB", -1}})
        EXPECT_EQ(ComNumberForDeviceNode(pszNode), nPort) << pszNode;
    for (int port : {1, 32, 33, 64, 65, 96})
        EXPECT_EQ(ComNumberForDeviceNode(DeviceNodeForComNumber(port)), port);
    EXPECT_EQ(DeviceNodeForComNumber(97), "");

    EXPECT_EQ(ResolveComDevice("\\\\.\\Com34"), "/dev/ttyUSB1");
    EXPECT_EQ(ResolveComDevice("/dev/pts/3"), "/dev/pts/3");
    EXPECT_EQ(ResolveComDevice("\\\\.\\Com200"), "\\\\.\\Com200");
}

TEST(ComPortNames, FriendlyNameFromUdevPropertiesAndMergeOrder) {
    EXPECT_EQ(
        BuildFriendlyName({{"ID_MODEL", "FT232R_USB_UART"}, {"ID_VENDOR_FROM_DATABASE", "FTDI"}},
                          "/dev/ttyUSB0"),
        "FT232R USB UART (/dev/ttyUSB0)");
    EXPECT_EQ(BuildFriendlyName(
                  {{"ID_MODEL_FROM_DATABASE", "CP2102 UART Bridge"}, {"ID_MODEL", "CP2102_USB"}},
                  "/dev/ttyUSB1"),
              "CP2102 UART Bridge (/dev/ttyUSB1)");
    EXPECT_EQ(BuildFriendlyName({{"ID_MODEL", ""}, {"ID_VENDOR_FROM_DATABASE", "Prolific"}},
                                "/dev/ttyUSB2"),
              "Prolific (/dev/ttyUSB2)");
    EXPECT_EQ(BuildFriendlyName({}, "/dev/ttyS0"), "Serial Port (/dev/ttyS0)");

    // Ordered by number; a dosdevices link wins over the built-in name.
    auto merged =
        MergeComPortEntries({{33, "link"}, {7, "seven"}}, {{33, "usb"}, {1, "uart"}, {34, "usb2"}});
    ASSERT_EQ(merged.size(), 4u);
    EXPECT_EQ(merged[0].nPort, 1);
    EXPECT_EQ(merged[1].nPort, 7);
    EXPECT_EQ(merged[2].strFriendlyName, "link");
    EXPECT_EQ(merged[3].nPort, 34);
}

TEST(ComPortDiscovery, LinkedPseudoTerminalIsListedAndResolvedAndDanglingLinksAreNot) {
    CPtyPair pty;
    const fs::path folder =
        fs::temp_directory_path() / ("vantoro-dosdevices-" + std::to_string(::getpid()));
    fs::remove_all(folder);
    fs::create_directories(folder);
    SetDosDevicesFolder(folder.string());
    fs::create_symlink(pty.SlavePath(), folder / "com7");
    fs::create_symlink("/dev/vantoro-gone", folder / "com8");
    fs::create_symlink(pty.SlavePath(), folder / "COMx");
    std::ofstream(folder / "com9") << "not a link";

    std::vector<int> ports;
    std::vector<std::string> names;
    EXPECT_TRUE(DiscoverComPorts(ports, names));
    ASSERT_EQ(ports.size(), names.size());
    auto at = std::find(ports.begin(), ports.end(), 7);
    ASSERT_NE(at, ports.end());
    EXPECT_EQ(names[at - ports.begin()], "Serial Port (" + pty.SlavePath() + ")");
    EXPECT_EQ(std::count(ports.begin(), ports.end(), 8), 0);
    EXPECT_EQ(std::count(ports.begin(), ports.end(), 9), 0);
    EXPECT_TRUE(std::is_sorted(ports.begin(), ports.end()));
    // Opening through the link is what every whole-update test does.
    EXPECT_EQ(ResolveComDevice("\\\\.\\Com7"), pty.SlavePath());
    SetDosDevicesFolder("");
    fs::remove_all(folder);
}

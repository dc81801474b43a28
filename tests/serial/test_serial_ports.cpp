#include "platform/testtempfolder.h"
#include "ptypair.h"
#include "serial/posix/cmodemmanagercheck.h"
#include "serial/comportdiscovery.h"
#include "serial/comportnames.h"
#include "serial/cserialline.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace vantoro;
using vantoro::test::CTempFolder;
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
                                         {"/dev/ttyAMA0", 97},
                                         {"/dev/ttyAMA31", 128},
                                         {"/dev/ttyTHS0", -1},
                                         {"/dev/ttyUSB", -1}})
        EXPECT_EQ(ComNumberForDeviceNode(pszNode), nPort) << pszNode;
    for (int port : {1, 32, 33, 64, 65, 96, 97, 128})
        EXPECT_EQ(ComNumberForDeviceNode(DeviceNodeForComNumber(port)), port);
    EXPECT_EQ(DeviceNodeForComNumber(kFirstLinkedComPort), "");

    EXPECT_EQ(ResolveComDevice("\\\\.\\Com34"), "/dev/ttyUSB1");
    EXPECT_EQ(ResolveComDevice("/dev/pts/3"), "/dev/pts/3");
    EXPECT_EQ(ResolveComDevice("\\\\.\\Com200"), "\\\\.\\Com200");
}

TEST(ComPortNames, FriendlyNameFromUdevProperties) {
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
}

namespace {

// Adapters played by pseudo-terminals: a by-id folder names them, an injected udev list says
// which kernel name (and so which built-in number) each one has right now.
class ComPortNumbering : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(m_folder / "by-id");
        for (const CPtyPair& pty : m_pty)
            ASSERT_TRUE(pty.IsValid());
        m_sources.strByIdFolder = m_folder / "by-id";
        m_sources.strDosDevicesFolder = m_strDosDevices;
        m_sources.listDevices = [this](std::vector<TtyDevice>& devices) {
            devices = m_devices;
            return true;
        };
    }

    std::string Node(int i) const { return fs::canonical(m_pty[i].SlavePath()).string(); }
    std::string ById(const std::string& strName) const { return m_folder / ("by-id/" + strName); }
    void Plug(const std::string& strSysName, int nPty, const std::string& strById = "") {
        m_devices.push_back({strSysName, Node(nPty), {{"ID_MODEL", "Adapter_" + strSysName}}});
        if (!strById.empty()) // relative, as udev writes them
            fs::create_symlink(fs::relative(Node(nPty), m_folder / "by-id"), ById(strById));
    }
    void UnplugAll() {
        m_devices.clear();
        fs::remove_all(m_folder / "by-id");
        fs::create_directories(m_folder / "by-id");
    }
    std::string LinkText(int nPort) const {
        std::error_code ec;
        return fs::read_symlink(m_strDosDevices + "/com" + std::to_string(nPort), ec).string();
    }
    // "number node" per port, the way a technician compares two lists.
    std::vector<std::string> Discover() {
        std::vector<ComPortEntry> entries;
        m_logTexts.clear();
        EXPECT_TRUE(DiscoverComPortEntries(entries, m_logTexts, m_sources));
        std::vector<std::string> list;
        for (const ComPortEntry& entry : entries)
            list.push_back(std::to_string(entry.nPort) + " " + entry.strDeviceNode);
        return list;
    }

    CTempFolder m_folder;
    const std::string m_strDosDevices = m_folder / "dosdevices";
    CPtyPair m_pty[5];
    std::vector<TtyDevice> m_devices;
    ComPortSources m_sources;
    std::vector<std::string> m_logTexts;
};

} // namespace

TEST_F(ComPortNumbering, FirstSightWritesLinksAndEachAdapterKeepsItsNumberWhateverThePlugOrder) {
    auto plugBoardUarts = [this] {
        Plug("ttyAMA0", 2); // built in: nothing to write
        Plug("ttyTHS1", 3); // no built-in number: linked by its node
    };
    Plug("ttyUSB0", 0, "usb-FTDI_A");
    Plug("ttyUSB1", 1, "usb-CP210x_B");
    plugBoardUarts();
    const std::vector<std::string> uarts{"97 " + Node(2), "129 " + Node(3)};
    EXPECT_EQ(Discover(),
              (std::vector<std::string>{"33 " + Node(0), "34 " + Node(1), uarts[0], uarts[1]}));
    EXPECT_EQ(LinkText(33), ById("usb-FTDI_A"));
    EXPECT_EQ(LinkText(34), ById("usb-CP210x_B"));
    EXPECT_EQ(LinkText(97), "");
    EXPECT_EQ(LinkText(129), Node(3));
    EXPECT_TRUE(m_logTexts.empty());

    // Re-plugged the other way round: the kernel names swap, the numbers stay with the adapters.
    UnplugAll();
    Plug("ttyUSB0", 1, "usb-CP210x_B");
    Plug("ttyUSB1", 0, "usb-FTDI_A");
    plugBoardUarts();
    EXPECT_EQ(Discover(),
              (std::vector<std::string>{"33 " + Node(0), "34 " + Node(1), uarts[0], uarts[1]}));
    EXPECT_EQ(std::distance(fs::directory_iterator(m_strDosDevices), fs::directory_iterator()), 3);

    // A new adapter where A used to be: 33 stays A's, so it gets the next free number.
    UnplugAll();
    Plug("ttyUSB0", 4, "usb-Prolific_C");
    Plug("ttyUSB1", 1, "usb-CP210x_B");
    plugBoardUarts();
    std::vector<ComPortEntry> entries;
    ASSERT_TRUE(DiscoverComPortEntries(entries, m_logTexts, m_sources));
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[0].nPort, 34);
    EXPECT_EQ(entries[3].nPort, 130);
    EXPECT_EQ(entries[3].strFriendlyName, "Adapter ttyUSB0 (" + Node(4) + ")");
    EXPECT_EQ(entries[3].strStableName, ById("usb-Prolific_C"));
    SetDosDevicesFolder(m_strDosDevices);
    EXPECT_EQ(ResolveComDevice("\\\\.\\Com130"), ById("usb-Prolific_C"));
    SetDosDevicesFolder("");
}

TEST_F(ComPortNumbering, HandMadeLinksAreLeftAloneAndTheirDeviceIsListedOnce) {
    fs::create_directories(m_strDosDevices);
    Plug("ttyUSB0", 0, "usb-FTDI_A");
    Plug("ttyUSB1", 1, "usb-CP210x_B");
    fs::create_symlink(ById("usb-CP210x_B"), m_strDosDevices + "/com5");
    fs::create_symlink("/dev/vantoro-gone", m_strDosDevices + "/com33"); // dangling
    fs::create_symlink(Node(2), m_strDosDevices + "/com7");              // a pty, say
    fs::create_symlink(Node(3), m_strDosDevices + "/COM8");              // not the form looked up
    fs::create_symlink(Node(3), m_strDosDevices + "/com08");
    vantoro::test::WriteTextFile(m_strDosDevices + "/com129", "not a link");

    Plug("ttyS4", 3); // a board UART whose COM 5 the hand-made link holds

    // B is COM 5 only; 129 is held, the UART gets 130 and A, whose 33 is held, 131.
    EXPECT_EQ(Discover(), (std::vector<std::string>{"5 " + Node(1), "7 " + Node(2),
                                                    "130 " + Node(3), "131 " + Node(0)}));
    EXPECT_EQ(LinkText(5), ById("usb-CP210x_B"));
    EXPECT_EQ(LinkText(33), "/dev/vantoro-gone");
    EXPECT_EQ(LinkText(130), Node(3));
    EXPECT_EQ(LinkText(131), ById("usb-FTDI_A"));
    EXPECT_EQ(vantoro::test::ReadTextFile(m_strDosDevices + "/com129"), "not a link");
}

TEST_F(ComPortNumbering, AFolderThatCannotBeWrittenLosesNothingAndSaysWhy) {
    vantoro::test::WriteTextFile(m_strDosDevices, "a file where the folder should be");
    Plug("ttyUSB0", 0, "usb-FTDI_A");
    Plug("ttyTHS1", 1);
    EXPECT_EQ(Discover(), (std::vector<std::string>{"33 " + Node(0)}));
    ASSERT_EQ(m_logTexts.size(), 2u);
    EXPECT_NE(m_logTexts[0].find(m_strDosDevices), std::string::npos) << m_logTexts[0];
    EXPECT_NE(m_logTexts[0].find("keeps its plug-order number COM 33"), std::string::npos);
    EXPECT_NE(m_logTexts[1].find("cannot be listed"), std::string::npos) << m_logTexts[1];

    // udev out of reach: still the links, and false so the window can say so.
    m_sources.listDevices = [](std::vector<TtyDevice>&) { return false; };
    m_sources.strDosDevicesFolder = m_folder / "by-id";
    fs::create_symlink(Node(2), m_folder / "by-id/com3");
    std::vector<ComPortEntry> entries;
    EXPECT_FALSE(DiscoverComPortEntries(entries, m_logTexts, m_sources));
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].strFriendlyName, "Serial Port (" + Node(2) + ")");
}

TEST(ModemManagerCheck, WarnsWhenItRunsAndTheDeviceIsNotExcludedAndOpeningAsks) {
    struct Case {
        bool bRunning, bKnownToUdev;
        const char* pszIgnore; // ID_MM_DEVICE_IGNORE, or none
        bool bWarns;
    };
    for (const Case& c : {Case{true, true, nullptr, true}, Case{true, true, "0", true},
                          Case{true, true, "1", false}, Case{false, true, nullptr, false},
                          Case{true, false, nullptr, false}}) {
        CModemManagerCheck check([&] { return c.bRunning; },
                                 [&](const std::string&, std::map<std::string, std::string>& p) {
                                     if (c.pszIgnore)
                                         p["ID_MM_DEVICE_IGNORE"] = c.pszIgnore;
                                     return c.bKnownToUdev;
                                 });
        const std::string warning = check.WarningFor("/dev/ttyUSB0");
        EXPECT_EQ(!warning.empty(), c.bWarns) << c.bRunning << c.bKnownToUdev << warning;
        if (c.bWarns) {
            EXPECT_NE(warning.find("/dev/ttyUSB0"), std::string::npos);
            EXPECT_NE(warning.find("77-vantoro-mm-ignore.rules"), std::string::npos);
        }
    }

    // The probe before opening names the node behind a dosdevices link.
    CPtyPair pty;
    CTempFolder folder;
    fs::create_symlink(pty.SlavePath(), folder / "com5");
    SetDosDevicesFolder(folder.Path());
    SetModemManagerCheck(CModemManagerCheck(
        [] { return true; },
        [](const std::string&, std::map<std::string, std::string>&) { return true; }));
    std::string cause;
    EXPECT_EQ(CSerialLine::ProbePort("\\\\.\\Com5", nullptr, &cause), PortAvailable);
    EXPECT_EQ(cause.rfind("ModemManager is running and may probe " + pty.SlavePath() + " ", 0), 0u)
        << cause;
    // udev never announces a pseudo-terminal, so ModemManager never sees one.
    SetModemManagerCheck(CModemManagerCheck());
    EXPECT_EQ(CSerialLine::ProbePort("\\\\.\\Com5", nullptr, &cause), PortAvailable);
    EXPECT_EQ(cause, "");
    SetDosDevicesFolder("");
}

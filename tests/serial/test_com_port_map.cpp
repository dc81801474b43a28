// COM numbers from Windows' friendly names and from the settings' [NetworkPorts] section; the
// same on every system, so this file is built for Windows too.
#include "serial/comportdiscovery.h"
#include "serial/comportnames.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>

using namespace vantoro;
namespace fs = std::filesystem;

TEST(FriendlyComNumber, TheLastParenthesisedPartGivesTheNumber) {
    struct Case {
        const char* pszName;
        bool bAccepted;
        int nPort;
    };
    for (const Case& c : {Case{"Communications Port (COM1)", true, 1},
                          {"USB Serial Port (COM12)", true, 12},
                          {"Modem (rev B) (COM5)", true, 5},
                          {"(COM)", true, 0}, // three characters are enough
                          {"COM7)", true, 7}, // no "(" reads from the start
                          {"Port (C1)", false, 0},
                          {"USB Serial Port (COM5", false, 0},
                          {"", false, 0}}) {
        int nPort = -1;
        EXPECT_EQ(ComNumberFromFriendlyName(c.pszName, nPort), c.bAccepted) << c.pszName;
        if (c.bAccepted) {
            EXPECT_EQ(nPort, c.nPort) << c.pszName;
        }
    }
}

class NetworkPortsSection : public ::testing::Test {
protected:
    void SetUp() override {
        const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        m_file = fs::temp_directory_path() / ("vantoro-ports-" + std::to_string(stamp) + ".INI");
    }
    void TearDown() override {
        SetNetworkPortsFile("");
        std::error_code ec;
        fs::remove(m_file, ec);
    }
    void Write(const std::string& strText) {
        std::ofstream(m_file, std::ios::binary | std::ios::trunc) << strText;
        SetNetworkPortsFile(m_file.string());
    }
    fs::path m_file;
};

TEST_F(NetworkPortsSection, NumbersNetworkPortsForTheResolverAndTheList) {
    Write("[App]\nCOM4=socket://elsewhere:1\n"
          "[networkports]\r\n"
          "COM20 = rfc2217://lab-server:7001\r\n"
          "com3=socket://127.0.0.1:4000\n"
          "Com20=socket://second-value:1\n" // the first value of a key counts
          "LPT1=socket://printer:9100\n"    // no COM number
          "COM21=/dev/ttyS0\n"              // no network port
          "COM22=rfc2217://no-port\n"
          "[NetworkPorts]\nCOM23=socket://second-section:1\n");
    const std::vector<NetworkComPort> ports = ListNetworkComPorts();
    ASSERT_EQ(ports.size(), 2u);
    EXPECT_EQ(ports[0].nPort, 3);
    EXPECT_EQ(ports[0].strName, "socket://127.0.0.1:4000");
    EXPECT_EQ(ports[1].nPort, 20);
    EXPECT_EQ(ports[1].strName, "rfc2217://lab-server:7001");

    EXPECT_EQ(ResolveComDevice("\\\\.\\Com20"), "rfc2217://lab-server:7001");
    EXPECT_EQ(ResolveComDevice("\\\\.\\COM3"), "socket://127.0.0.1:4000");
    EXPECT_EQ(ResolveComDevice("\\\\.\\Com21"), SystemComDevice(21, "\\\\.\\Com21"));
    EXPECT_EQ(ResolveComDevice("\\\\.\\Com23"), SystemComDevice(23, "\\\\.\\Com23"));

    // The window lists them as network ports, beside whatever the machine has.
    std::vector<int> numbers;
    std::vector<std::string> names;
    DiscoverComPorts(numbers, names);
    ASSERT_EQ(numbers.size(), names.size());
    const auto it = std::find(numbers.begin(), numbers.end(), 20);
    ASSERT_NE(it, numbers.end());
    EXPECT_EQ(names[static_cast<std::size_t>(it - numbers.begin())],
              "Network Port (rfc2217://lab-server:7001)");
    EXPECT_EQ(std::count(numbers.begin(), numbers.end(), 3), 1);

    SetNetworkPortsFile("");
    EXPECT_TRUE(ListNetworkComPorts().empty());
    EXPECT_EQ(ResolveComDevice("\\\\.\\Com20"), SystemComDevice(20, "\\\\.\\Com20"));
}

TEST_F(NetworkPortsSection, AMissingFileOrSectionNumbersNothing) {
    SetNetworkPortsFile(m_file.string());
    EXPECT_TRUE(ListNetworkComPorts().empty());
    Write("[App]\nCOM20=rfc2217://lab-server:7001\n");
    EXPECT_TRUE(ListNetworkComPorts().empty());
}

// A network port's COM number on Windows: kept in [NetworkPorts] of the settings file, so the
// name has the same number in every later run; and the COM names that are terminal devices.
#include "platform/cprofilefile.h"
#include "platform/testtempfolder.h"
#include "serial/comportnames.h"
#include "serial/networkportnumber.h"
#include "serial/terminaldevice.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <thread>

using namespace vantoro;
using namespace vantoro::test;

namespace {

class NetworkPortNumber : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(m_tmp.Path().empty());
        SetNetworkPortsFile(m_strFile);
    }
    void TearDown() override { SetNetworkPortsFile(""); }

    int Link(const std::string& strName, const std::vector<int>& listed = {}) {
        m_strWhy.clear();
        return LinkNetworkPort(strName, listed, m_strWhy);
    }

    CTempFolder m_tmp;
    std::string m_strFile = m_tmp / "vantoro.INI";
    std::string m_strWhy;
};

} // namespace

TEST_F(NetworkPortNumber, ANewNameIsWrittenAtTheFirstFreeNumberAndResolvesThere) {
    WriteTextFile(m_strFile, "[Options]\nLanguage=en\n");
    EXPECT_EQ(Link("rfc2217://rack1:7001"), 129) << m_strWhy;
    EXPECT_EQ(GetPrivateProfileString("NetworkPorts", "COM129", "", m_strFile),
              "rfc2217://rack1:7001");
    EXPECT_EQ(GetPrivateProfileString("Options", "Language", "", m_strFile), "en");
    EXPECT_EQ(ResolveComDevice("\\\\.\\COM129"), "rfc2217://rack1:7001");
    ASSERT_EQ(ListNetworkComPorts().size(), 1u);
    EXPECT_EQ(ListNetworkComPorts()[0].nPort, 129);
}

TEST_F(NetworkPortNumber, TheSameNameKeepsItsNumberAndIsWrittenOnce) {
    const int nFirst = Link("socket://10.0.0.5:4001");
    ASSERT_GT(nFirst, 0) << m_strWhy;
    const std::string strBefore = ReadTextFile(m_strFile);
    EXPECT_EQ(Link("socket://10.0.0.5:4001", {nFirst + 1}), nFirst);
    EXPECT_EQ(ReadTextFile(m_strFile), strBefore);
    // Another name gets another number.
    const int nSecond = Link("socket://10.0.0.6:4001");
    EXPECT_GT(nSecond, 0) << m_strWhy;
    EXPECT_NE(nSecond, nFirst);
}

TEST_F(NetworkPortNumber, ProgramsNumberingAtOnceNeverShareANumber) {
    constexpr int kNames = 6;
    std::vector<int> numbers(kNames, 0);
    std::vector<std::string> whys(kNames);
    std::vector<std::thread> threads;
    for (int i = 0; i < kNames; ++i) {
        threads.emplace_back([&, i] {
            numbers[i] = LinkNetworkPort("rfc2217://rack:" + std::to_string(7000 + i), {}, whys[i]);
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    std::set<int> distinct;
    for (int i = 0; i < kNames; ++i) {
        EXPECT_GE(numbers[i], 129) << whys[i];
        distinct.insert(numbers[i]);
        EXPECT_EQ(GetPrivateProfileString("NetworkPorts", "COM" + std::to_string(numbers[i]), "",
                                          m_strFile),
                  "rfc2217://rack:" + std::to_string(7000 + i));
    }
    EXPECT_EQ(distinct.size(), static_cast<std::size_t>(kNames));
    EXPECT_EQ(GetPrivateProfileSection("NetworkPorts", m_strFile).size(),
              static_cast<std::size_t>(kNames));
}

TEST_F(NetworkPortNumber, TheUsersOwnNumberForTheNameIsKept) {
    WriteTextFile(m_strFile, "[NetworkPorts]\nCOM20=rfc2217://lab:7001\n");
    EXPECT_EQ(Link("rfc2217://lab:7001"), 20) << m_strWhy;
    EXPECT_EQ(GetPrivateProfileSection("NetworkPorts", m_strFile).size(), 1u);
}

TEST_F(NetworkPortNumber, NumbersOfTheSectionAndOfListedPortsAreSkipped) {
    // COM131 names nothing a port can be: its number is the user's all the same.
    WriteTextFile(m_strFile,
                  "[NetworkPorts]\nCOM129=rfc2217://a:1\nCOM131=not a port\nNote=hello\n");
    EXPECT_EQ(Link("rfc2217://b:2", {130, 132}), 133) << m_strWhy;
    EXPECT_EQ(GetPrivateProfileString("NetworkPorts", "COM133", "", m_strFile), "rfc2217://b:2");
    EXPECT_EQ(GetPrivateProfileString("NetworkPorts", "COM129", "", m_strFile), "rfc2217://a:1");
    EXPECT_EQ(GetPrivateProfileString("NetworkPorts", "COM131", "", m_strFile), "not a port");
}

TEST_F(NetworkPortNumber, WithoutASettingsFileItSaysWhy) {
    SetNetworkPortsFile("");
    EXPECT_EQ(Link("rfc2217://rack1:7001"), -1);
    EXPECT_NE(m_strWhy, "");
}

TEST_F(NetworkPortNumber, AReadOnlyFileIsLeftAsItIsAndItSaysWhy) {
    const std::string strContent = "[NetworkPorts]\nCOM129=rfc2217://a:1\n";
    WriteTextFile(m_strFile, strContent);
    std::filesystem::permissions(m_strFile, std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::remove);
    EXPECT_EQ(Link("rfc2217://b:2"), -1);
    EXPECT_NE(m_strWhy, "");
    EXPECT_EQ(ReadTextFile(m_strFile), strContent);
    std::filesystem::permissions(m_strFile, std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add);
}

TEST_F(NetworkPortNumber, AFileInAMissingFolderCannotHoldTheNumber) {
    SetNetworkPortsFile(m_tmp / "missing/vantoro.INI");
    EXPECT_EQ(Link("rfc2217://b:2"), -1);
    EXPECT_NE(m_strWhy, "");
    EXPECT_FALSE(std::filesystem::exists(m_tmp / "missing"));
}

TEST(Win32TerminalDevice, ComDeviceNamesAreTerminalsAndNothingElseIs) {
    for (const char* pszName : {"COM5", "com12", "\\\\.\\COM5", "\\\\.\\COM200"})
        EXPECT_TRUE(IsTerminalDevice(pszName)) << pszName;
    for (const char* pszName : {"", "COM", "COM0", "COMx", "COM5:", "C:/ports/COM5",
                                "rfc2217://rack1:7001", "Z:\\tmp\\file.txt", "/dev/ttyS0"})
        EXPECT_FALSE(IsTerminalDevice(pszName)) << pszName;
    EXPECT_EQ(NotSerialPortName("Z:\\tmp\\file.txt"), "");
    EXPECT_EQ(NotSerialPortName("COM5"), "");
}

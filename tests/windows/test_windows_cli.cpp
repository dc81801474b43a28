// vantoro-cli.exe under Wine against the Linux simulator, served by ser2net on loopback: the
// Windows program's network line, engine and file handling end to end. Run by the Windows
// build's ctest, which names the program (VANTORO_WINDOWS_CLI) and how to start it under Wine
// (VANTORO_WINE_RUN, VANTORO_WINEPREFIX).
#include "clirig.h"
#include "cser2netserver.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <regex>
#include <unistd.h>

using namespace vantoro;

namespace {

class WindowsCliTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* pszCli = std::getenv("VANTORO_WINDOWS_CLI");
        const char* pszWine = std::getenv("VANTORO_WINE_RUN");
        const char* pszPrefix = std::getenv("VANTORO_WINEPREFIX");
        ASSERT_TRUE(pszCli && pszWine && pszPrefix)
            << "VANTORO_WINDOWS_CLI, VANTORO_WINE_RUN and VANTORO_WINEPREFIX name the program";
        CCliRig::SetProgramCommand({pszWine, pszPrefix, pszCli});
    }

    // Equipment on COM 30 of the rig, served by the server; its network port name.
    static std::string ServeEquipment(CCliRig& rig, CSer2NetServer& server, bool bRfc2217) {
        SimOptions options;
        options.nPowerOnWhenOpenedMs = 100;
        const std::string strPort = server.Add(rig.AddSim(30, options).GetDevicePath(), bRfc2217);
        std::string strWhy;
        EXPECT_TRUE(server.Start(strWhy)) << strWhy;
        return strPort;
    }
};

// Wine starts slowly on a loaded machine: every run gets a generous bound of its own.
constexpr int kRunMillis = 180000;

TEST_F(WindowsCliTest, UpdatesEquipmentBehindSer2NetOverRfc2217AndARawSocket) {
    for (bool bRfc2217 : {true, false}) {
        SCOPED_TRACE(bRfc2217 ? "rfc2217" : "socket");
        CCliRig rig;
        CSer2NetServer server(rig.Folder());
        const std::string strPort = ServeEquipment(rig, server, bRfc2217);
        const std::string strFile = rig.WriteCodeFile("code.s19", 60);
        const CCliRig::Result result =
            rig.Run(CCliRig::Update({"--file", strFile, "--port", strPort}), kRunMillis);
        EXPECT_EQ(result.nStatus, 0) << result.strOut << result.strErr << server.Log();
        EXPECT_EQ(rig.Sim(30).GetReceived(), test::ReadTextFile(strFile));
    }
}

// A technician copies the port's device name from Device Manager or another tool: "\\.\COM40"
// in whatever case is COM 40, here a network port numbered in the settings.
TEST_F(WindowsCliTest, TakesAPortByItsWindowsDeviceName) {
    CCliRig rig;
    CSer2NetServer server(rig.Folder());
    rig.WriteSettings("[NetworkPorts]\nCOM40=" + ServeEquipment(rig, server, false) + "\n");
    const std::string strFile = rig.WriteCodeFile("code.s19", 5);
    CCliRig::Result result =
        rig.Run(CCliRig::Update({"--file", strFile, "--port", "\\\\.\\cOm40"}), kRunMillis);
    EXPECT_EQ(result.nStatus, 0) << result.strOut << result.strErr << server.Log();
    EXPECT_EQ(rig.Sim(30).GetReceived(), test::ReadTextFile(strFile));
    // A number nothing gives is refused as one, never as a name the program cannot read.
    result = rig.Run(CCliRig::Update({"--file", strFile, "--port", "\\\\.\\COM41"}), kRunMillis);
    EXPECT_EQ(result.nStatus, 2) << result.strOut << result.strErr;
    EXPECT_NE(result.strErr.find("COM 41 is not a listed port"), std::string::npos)
        << result.strErr;
}

// Arguments reach the program as UTF-8 and name files through the wide-character calls; what is
// no file is refused with the same words as on Linux.
TEST_F(WindowsCliTest, ChecksAFileWithANonAsciiNameAndRefusesAFolder) {
    CCliRig rig;
    const std::string strFile = rig.WriteCodeFile("Pr\xC3\xBC"
                                                  "fung \xCE\xA9.s19",
                                                  3);
    CCliRig::Result result = rig.Run({"check", strFile}, kRunMillis);
    EXPECT_EQ(result.nStatus, 0) << result.strOut << result.strErr;
    EXPECT_NE(result.strOut.find("Pr\xC3\xBC"
                                 "fung \xCE\xA9.s19"),
              std::string::npos)
        << result.strOut;
    result = rig.Run(CCliRig::Update({"--file", rig.Code(), "--port", "socket://127.0.0.1:9"}),
                     kRunMillis);
    EXPECT_EQ(result.nStatus, 2) << result.strOut << result.strErr;
    EXPECT_NE(result.strErr.find("not a readable file: it is a directory"), std::string::npos)
        << result.strErr;
}

// A console, like NUL, is a character device, which the C library leaves unbuffered: the report
// then went to it a character at a time, a system call each (and a round trip to Wine's server
// each), and a live block was drawn visibly. Each text goes in one write now. Wine's file trace
// shows every write the program makes and its length.
TEST_F(WindowsCliTest, WritesItsReportToACharacterDeviceInWholeTexts) {
    CCliRig rig;
    CSer2NetServer server(rig.Folder());
    const std::string strPort = ServeEquipment(rig, server, false);
    const std::string strFile = rig.WriteCodeFile("code.s19", 20);
    CliLaunch launch;
    launch.nStdout = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    ASSERT_GE(launch.nStdout, 0);
    ::setenv("VANTORO_WINEDEBUG", "trace+file", 1);
    rig.Start(CCliRig::Update({"--file", strFile, "--port", strPort}), launch);
    ::unsetenv("VANTORO_WINEDEBUG");
    const CCliRig::Result result = rig.WaitForEnd(kRunMillis);
    ::close(launch.nStdout);
    ASSERT_EQ(result.nStatus, 0) << result.strErr.substr(0, 4000) << server.Log();
    EXPECT_EQ(rig.Sim(30).GetReceived(), test::ReadTextFile(strFile));
    // "trace:file:WriteFile HANDLE BUFFER LENGTH ...": one-byte writes are a text taken apart.
    const std::regex oneByte(R"(trace:file:WriteFile \S+ \S+ 1 )");
    const std::regex anyWrite(R"(trace:file:WriteFile )");
    const auto count = [&](const std::regex& pattern) {
        return std::distance(
            std::sregex_iterator(result.strErr.begin(), result.strErr.end(), pattern),
            std::sregex_iterator());
    };
    EXPECT_GT(count(anyWrite), 0) << "no write traced: is WINEDEBUG passed on?";
    EXPECT_LT(count(oneByte), 5) << "the report went out character by character";
}

} // namespace

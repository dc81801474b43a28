// vantoro-cli with units behind a serial device server, as a production bench grows past the
// USB hubs of one computer.
#include "clirig.h"
#include "cser2netserver.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace vantoro;

namespace {

TEST(NetworkCli, SixteenUnitsThroughOneSer2NetAtOnce) {
    CCliRig rig;
    CSer2NetServer server(rig.Folder());
    const std::string file = rig.WriteCodeFile("code.s19", 30);
    std::vector<std::string> args = {"--file", file};
    for (int unit = 0; unit < 16; ++unit) {
        SimOptions options;
        options.nPowerOnWhenOpenedMs = 100;
        CTargetSimulator& sim = rig.AddSim(20 + unit, options);
        // One in four raw, as a bench with mixed servers has it. Each unit is switched on as
        // the server opens its line, which is while the connection is still being made.
        args.insert(args.end(), {"--port", server.Add(sim.GetDevicePath(), unit % 4 != 3)});
    }
    std::string why;
    ASSERT_TRUE(server.Start(why)) << why;
    const CCliRig::Result result = rig.Run(CCliRig::Update(args), 90000);
    EXPECT_EQ(result.nStatus, 0) << "-1: it did not end within 90 s\n"
                                 << result.strOut << result.strErr << server.Log();
    for (int unit = 0; unit < 16; ++unit)
        EXPECT_EQ(rig.Sim(20 + unit).GetReceived(), test::ReadTextFile(file)) << "unit " << unit;
}

// Listing reads the link and never connects: a server that is slow, far or down must not
// hold up the list.
TEST(NetworkCli, PortsListsANetworkLinkWithoutConnectingAndPortTakesAnyTerminal) {
    CCliRig rig;
    const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof address;
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(listener, 4), 0);
    ASSERT_EQ(::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &len), 0);
    const std::string name = "rfc2217://127.0.0.1:" + std::to_string(ntohs(address.sin_port));
    std::filesystem::create_symlink(name, rig.DosDevices() + "/com40");

    const CCliRig::Result listed = rig.Run({"ports"});
    EXPECT_NE(listed.strOut.find("Com 40 - Network Port (" + name + ")\t" + name),
              std::string::npos)
        << listed.strOut << listed.strErr;
    EXPECT_LT(::accept(listener, nullptr, nullptr), 0) << "the listing connected";
    EXPECT_EQ(errno, EAGAIN);
    ::close(listener);

    // A pseudo-terminal that no link names is still a terminal device.
    SimOptions options;
    options.nPowerOnWhenOpenedMs = 100;
    CTargetSimulator& sim = rig.AddSim(41, options);
    std::filesystem::remove(rig.DosDevices() + "/com41");
    const std::string file = rig.WriteCodeFile("code.s19", 5);
    CCliRig::Result result =
        rig.Run(CCliRig::Update({"--file", file, "--port", sim.GetDevicePath()}));
    EXPECT_EQ(result.nStatus, 0) << result.strOut << result.strErr;
    EXPECT_EQ(sim.GetReceived(), test::ReadTextFile(file));
    for (const char* bad : {"rfc2217://rack1", "socket://rack1:99999"}) {
        result = rig.Run(CCliRig::Update({"--file", file, "--port", bad}));
        EXPECT_EQ(result.nStatus, 2) << bad;
        EXPECT_NE(result.strErr.find(std::string("--port ") + bad + ": "), std::string::npos)
            << result.strErr;
    }
}

} // namespace

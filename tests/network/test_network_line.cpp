#include "cser2netserver.h"
#include "platform/testtempfolder.h"
#include "serial/cserialline.h"
#include "serial/ctelnetcodec.h"
#include "serial/posix/linetermios.h"
#include "serial/networkportname.h"
#include "serial/ptypair.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

using namespace vantoro;

namespace {

// Names as users type them, and the typing errors a technician makes.
TEST(NetworkPortNameTest, AcceptsTheUsualFormsAndSaysWhatIsWrongWithOthers) {
    NetworkPortName name;
    ASSERT_TRUE(ParseNetworkPortName("rfc2217://rack1:7001", name));
    EXPECT_TRUE(name.bRfc2217);
    EXPECT_EQ(name.strHost, "rack1");
    EXPECT_EQ(name.strService, "7001");
    ASSERT_TRUE(ParseNetworkPortName("SOCKET://[fe80::1%eth0]:65535/", name));
    EXPECT_FALSE(name.bRfc2217);
    EXPECT_EQ(name.strHost, "fe80::1%eth0");
    EXPECT_EQ(name.strService, "65535");

    const char* bad[] = {"rfc2217://rack1",       "rfc2217://rack1:0",    "socket://:7001",
                         "rfc2217://rack1:65536", "rfc2217://[::1:7001",  "rfc2217://[::1]7001",
                         "socket://user@rack1:1", "socket://rack1:1/x/y", "rfc2217://rack 1:7001"};
    for (const char* text : bad) {
        std::string why;
        EXPECT_FALSE(ParseNetworkPortName(text, name, &why)) << text;
        EXPECT_FALSE(why.empty()) << text;
        EXPECT_TRUE(LooksLikeNetworkPortName(text)) << text;
    }
    EXPECT_FALSE(LooksLikeNetworkPortName("/dev/rfc2217://x:1"));
}

// Sequences split anywhere between two reads still decode to the same bytes and commands.
TEST(TelnetCodecTest, DecodesEscapesAndCommandsWhereverTheStreamIsCut) {
    const std::string stream = std::string("a\xFF\xFF", 3) + "\xFF\xFD\x2C" + "b" +
                               std::string("\xFF\xFA\x2C\x65\x00\x00\xFF\xFF\x01\xFF\xF0", 11) +
                               std::string("\xFF\xF1z", 3);
    for (std::size_t cut = 0; cut <= stream.size(); ++cut) {
        CTelnetCodec codec;
        std::string data;
        std::vector<CTelnetCodec::Command> commands;
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(stream.data());
        codec.Decode(bytes, cut, data, commands);
        codec.Decode(bytes + cut, stream.size() - cut, data, commands);
        EXPECT_EQ(data, std::string("a\xFF"
                                    "bz",
                                    4))
            << "cut at " << cut;
        ASSERT_EQ(commands.size(), 2u) << "cut at " << cut;
        EXPECT_EQ(commands[0].nVerb, CTelnetCodec::kDo);
        EXPECT_EQ(commands[0].nOption, 44);
        EXPECT_EQ(commands[1].nVerb, CTelnetCodec::kSb);
        EXPECT_EQ(commands[1].strData, std::string("\x65\x00\x00\xFF\x01", 5));
    }
    std::string out;
    const std::uint8_t sent[] = {0xFF, 'x', 0xFF, 0xFF};
    CTelnetCodec::AppendEscaped(sent, sizeof sent, out);
    EXPECT_EQ(out, std::string("\xFF\xFFx\xFF\xFF\xFF\xFF", 7));
}

// ser2net serving the slave of a pseudo-terminal whose master plays the equipment.
class NetworkLineTest : public ::testing::Test {
protected:
    void StartServer() {
        ASSERT_TRUE(pty.IsValid() && rawPty.IsValid());
        rfc2217 = server.Add(pty.SlavePath(), true, 9600);
        raw = server.Add(rawPty.SlavePath(), false, 9600);
        std::string why;
        ASSERT_TRUE(server.Start(why)) << why;
    }
    // Waits (bounded) for received bytes and reads up to nCount of them.
    std::string ReadFromLine(CSerialLine& line, std::size_t nCount) {
        std::string got;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (got.size() < nCount && std::chrono::steady_clock::now() < deadline) {
            char buffer[16];
            std::uint32_t n = 0;
            if (line.ReadBytes(buffer, std::min(sizeof buffer, nCount - got.size()), &n, nullptr,
                               0) != 0)
                break;
            got.append(buffer, n);
            if (n == 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return got;
    }
    static std::uint32_t MasterSpeed(const CPtyPair& master) {
        LineFormat format;
        return ReadLineFormat(master.MasterFd(), format) == 0 ? format.nBaudRate : 0;
    }

    test::CTempFolder tmp;
    CPtyPair pty;
    CPtyPair rawPty; // a server port of its own: ser2net frees a device a while after its client
    CSer2NetServer server{tmp.Path()};
    std::string rfc2217, raw;
};

TEST_F(NetworkLineTest, Rfc2217SetsTheLineAndCarries0xFFUnescapedBothWays) {
    StartServer();
    CSerialLine line;
    ASSERT_EQ(line.OpenPort(rfc2217.c_str(), true), 0u) << server.Log();
    EXPECT_EQ(line.GetDeviceNode(), rfc2217);
    ASSERT_EQ(line.ConfigureLine(57600, 8, NOPARITY, ONESTOPBIT), 0u);
    EXPECT_EQ(line.SetHandshaking(HandshakeOff), 0u);
    EXPECT_EQ(line.QueryBaudRate(), 57600);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (MasterSpeed(pty) != 57600 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(MasterSpeed(pty), 57600u) << "the rate never reached the pseudo-terminal";

    const std::string record("S1\xFF\xFF"
                             "0\n",
                             6);
    std::uint32_t written = 0;
    ASSERT_EQ(line.WriteBytes(record.data(), record.size(), &written, nullptr, 0), 0u);
    EXPECT_EQ(written, record.size());
    EXPECT_EQ(pty.Receive(record.size()), record);
    EXPECT_EQ(pty.Receive(1), "") << "a 0xFF arrived doubled";

    ASSERT_TRUE(pty.Send(std::string("C\xFF+", 3)));
    EXPECT_EQ(ReadFromLine(line, 3), std::string("C\xFF+", 3));
}

TEST_F(NetworkLineTest, RawSocketCarriesBytesAsTheyAreAndSendsNoSettings) {
    StartServer();
    CSerialLine line;
    ASSERT_EQ(line.OpenPort(raw.c_str(), true), 0u) << server.Log();
    ASSERT_EQ(line.ConfigureLine(57600, 8, NOPARITY, ONESTOPBIT), 0u);
    const std::string bytes("\xFF\xFB\x2C\xFF", 4); // a telnet command, were it interpreted
    ASSERT_EQ(line.WriteBytes(bytes.data(), bytes.size(), nullptr, nullptr, 0), 0u);
    EXPECT_EQ(rawPty.Receive(bytes.size()), bytes);
    ASSERT_TRUE(rawPty.Send(bytes));
    EXPECT_EQ(ReadFromLine(line, bytes.size()), bytes);
    EXPECT_EQ(MasterSpeed(rawPty), 9600u) << "a raw port's line is the server's own";
}

TEST_F(NetworkLineTest, RefusalsReadAsTheWindowWordsThem) {
    StartServer();
    std::uint32_t error = 0;
    std::string cause;
    const std::string nobody = "rfc2217://127.0.0.1:" + std::to_string(FreeLoopbackPort());
    EXPECT_EQ(CSerialLine::ProbePort(nobody.c_str(), &error, &cause), PortUnavailable);
    EXPECT_EQ(error, kErrorFileNotFound);
    EXPECT_NE(cause.find("refused"), std::string::npos) << cause;
    CSerialLine line;
    EXPECT_EQ(line.OpenPort(nobody.c_str(), true), kErrorFileNotFound);
    EXPECT_FALSE(line.HasPort());

    // Held by another client: ser2net accepts, says so and closes.
    for (const std::string& name : {rfc2217, raw}) {
        CSerialLine holder;
        ASSERT_EQ(holder.OpenPort(name.c_str(), true), 0u) << name;
        cause.clear();
        EXPECT_EQ(CSerialLine::ProbePort(name.c_str(), &error, &cause), PortInUse) << name;
        EXPECT_EQ(error, kErrorAccessDenied) << name;
        EXPECT_NE(cause.find("in use"), std::string::npos) << cause;
        EXPECT_EQ(line.OpenPort(name.c_str(), true), kErrorAccessDenied) << name;
    }

    // A raw port named as RFC 2217 never answers the negotiation: a bounded wait, then Unknown.
    const std::string wrong = "rfc2217://" + raw.substr(std::string("socket://").size());
    cause.clear();
    EXPECT_EQ(CSerialLine::ProbePort(wrong.c_str(), &error, &cause), PortUnknown);
    EXPECT_NE(cause.find("socket://"), std::string::npos) << cause;
}

TEST_F(NetworkLineTest, AServerThatDiesEndsTheEventWaitAndFailsTransfers) {
    StartServer();
    CSerialLine line;
    ASSERT_EQ(line.OpenPort(rfc2217.c_str(), true), 0u);
    std::atomic<bool> bEnded{false};
    std::uint32_t waitResult = 0;
    std::thread waiter([&] {
        waitResult = line.WaitForEvent(nullptr, INFINITE);
        bEnded.store(true);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    server.Kill();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!bEnded.load() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_TRUE(bEnded.load()) << "the event wait did not end when the server went away";
    if (!bEnded.load())
        line.SetEventMask(line.QueryEventMask()); // ends the wait, so the thread can be joined
    waiter.join();
    EXPECT_EQ(waitResult, kErrorGenFailure);
    char buffer[4];
    std::uint32_t n = 0;
    EXPECT_NE(line.ReadBytes(buffer, sizeof buffer, &n, nullptr, 0), 0u);
    EXPECT_NE(line.WriteBytes("S1\n", 3, nullptr, nullptr, 0), 0u);
    EXPECT_EQ(line.ClosePort(), 0u);
}

} // namespace

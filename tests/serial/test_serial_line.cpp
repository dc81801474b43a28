#include "ptypair.h"
#include "serial/cserialline.h"
#include "serial/linetermios.h"

#include <gtest/gtest.h>

#include <array>
#include <numeric>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <thread>

using namespace vantoro;

namespace {

class SerialLine : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(pty.IsValid());
        ASSERT_EQ(line.OpenPort(pty.SlavePath().c_str(), true), 0u);
    }
    CPtyPair pty;
    CSerialLine line;
};

std::vector<std::uint8_t> Pattern(std::size_t nSize) {
    std::vector<std::uint8_t> data(nSize);
    for (std::size_t i = 0; i < nSize; ++i)
        data[i] = static_cast<std::uint8_t>((i * 7 + i / 256) & 0xFF);
    return data;
}

} // namespace

TEST_F(SerialLine, OpenSetsDefaultsAndSecondOpenLeavesFirstPortUsable) {
    EXPECT_TRUE(line.HasPort());
    EXPECT_EQ(line.QueryEventMask(), 0x00C1u);
    EXPECT_EQ(line.QueryDataBits(), 8);
    EXPECT_EQ(line.QueryParity(), NOPARITY);
    EXPECT_EQ(line.QueryHandshaking(), HandshakeOff);

    CPtyPair other;
    EXPECT_EQ(line.OpenPort(other.SlavePath().c_str(), true), kErrorAlreadyInitialized);
    EXPECT_EQ(line.GetLastError(), kErrorAlreadyInitialized);
    EXPECT_EQ(line.GetDeviceNode(), pty.SlavePath());
    std::uint32_t written = 0;
    EXPECT_EQ(line.WriteBytes("ok", 2, &written, nullptr, INFINITE), 0u);
    EXPECT_EQ(written, 2u);
    EXPECT_EQ(pty.Receive(2), (std::vector<std::uint8_t>{'o', 'k'}));
}

TEST_F(SerialLine, SecondOpenerOfTheSameDeviceIsRefusedUntilTheFirstCloses) {
    CSerialLine second;
    EXPECT_EQ(second.OpenPort(pty.SlavePath().c_str(), false), kErrorAccessDenied);
    EXPECT_FALSE(second.HasPort());
    std::uint32_t error = 0;
    EXPECT_EQ(CSerialLine::ProbePort(pty.SlavePath().c_str(), &error), PortInUse);
    EXPECT_EQ(error, kErrorAccessDenied);

    // Another process is refused too.
    pid_t child = ::fork();
    if (child == 0) {
        CSerialLine foreign;
        ::_exit(foreign.OpenPort(pty.SlavePath().c_str(), false) == kErrorAccessDenied ? 0 : 1);
    }
    int status = -1;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

    EXPECT_EQ(line.ClosePort(), 0u);
    EXPECT_EQ(CSerialLine::ProbePort(pty.SlavePath().c_str(), &error), PortAvailable);
    EXPECT_EQ(error, 0u);
    EXPECT_EQ(second.OpenPort(pty.SlavePath().c_str(), false), 0u);
}

TEST(SerialLineClosed, MissingDeviceAndEveryOperationNeedingAPort) {
    CSerialLine line;
    EXPECT_EQ(line.OpenPort("/dev/vantoro-no-such-port", true), kErrorFileNotFound);
    EXPECT_FALSE(line.HasPort());
    std::uint32_t error = 0;
    EXPECT_EQ(CSerialLine::ProbePort("/dev/vantoro-no-such-port", &error), PortUnavailable);
    EXPECT_EQ(error, kErrorFileNotFound);

    EXPECT_EQ(line.ConfigureLine(9600, 8, NOPARITY, ONESTOPBIT), kErrorInvalidHandle);
    EXPECT_EQ(line.SetEventCharacter('\n', true), kErrorInvalidHandle);
    EXPECT_EQ(line.SetEventMask(EV_RXCHAR), kErrorInvalidHandle);
    EXPECT_EQ(line.WaitForEvent(nullptr, INFINITE), kErrorInvalidHandle);
    EXPECT_EQ(line.SetHandshaking(HandshakeOff), kErrorInvalidHandle);
    EXPECT_EQ(line.SetReadTimeouts(ReadTimeoutBlocking), kErrorInvalidHandle);
    EXPECT_EQ(line.PurgeBuffers(), kErrorInvalidHandle);
    char buffer[4];
    std::uint32_t count = 99;
    EXPECT_EQ(line.ReadBytes(buffer, 4, &count, nullptr, INFINITE), kErrorInvalidHandle);
    EXPECT_EQ(count, 0u);
    count = 99;
    EXPECT_EQ(line.WriteText("x", &count, nullptr, 0), kErrorInvalidHandle);
    EXPECT_EQ(count, 0u);
    for (auto query :
         {&CSerialLine::QueryBaudRate, &CSerialLine::QueryDataBits, &CSerialLine::QueryParity,
          &CSerialLine::QueryStopBits, &CSerialLine::QueryHandshaking}) {
        EXPECT_EQ((line.*query)(), -1);
        EXPECT_EQ(line.GetLastError(), kErrorInvalidHandle);
    }
    EXPECT_EQ(line.QueryEventMask(), 0u);
    EXPECT_EQ(line.QueryEventCharacter(), 0);
    EXPECT_EQ(line.GetLastError(), kErrorInvalidHandle);
    EXPECT_EQ(line.ClosePort(), 0u);
    EXPECT_EQ(line.GetLastError(), 0u);

    // A device that is no serial line is refused and not kept open.
    EXPECT_EQ(line.OpenPort("/dev/null", true), kErrorInvalidFunction);
    EXPECT_FALSE(line.HasPort());
}

TEST(SerialLineProbe, PermissionProblemIsUnknownWithItsCauseAndRemedy) {
    std::string path = "/tmp/vantoro-locked-port-" + std::to_string(::getpid());
    int fd = ::open(path.c_str(), O_CREAT | O_WRONLY, 0);
    ASSERT_GE(fd, 0);
    ::close(fd);
    pid_t child = ::fork();
    if (child == 0) {
        // Root may open anything, so the probe runs as an ordinary user.
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(2);
        std::uint32_t error = 0;
        std::string cause;
        int result = CSerialLine::ProbePort(path.c_str(), &error, &cause);
        bool ok = result == PortUnknown && error == kErrorAccessDenied &&
                  cause.find(path) != std::string::npos &&
                  cause.find("dialout") != std::string::npos;
        ::_exit(ok ? 0 : 1);
    }
    int status = -1;
    ::waitpid(child, &status, 0);
    ::unlink(path.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST_F(SerialLine, LineSettingsRoundTripAndWhatTheLineCannotDoChangesNothing) {
    EXPECT_EQ(line.ConfigureLine(115200, 8, NOPARITY, TWOSTOPBITS), 0u);
    EXPECT_EQ(line.QueryBaudRate(), 115200);
    EXPECT_EQ(line.QueryDataBits(), 8);
    EXPECT_EQ(line.QueryParity(), NOPARITY);
    EXPECT_EQ(line.QueryStopBits(), TWOSTOPBITS);
    // A rate without a B-constant goes through the arbitrary-rate interface and stays set.
    EXPECT_EQ(line.ConfigureLine(250000, 8, NOPARITY, ONESTOPBIT), 0u);
    EXPECT_EQ(line.SetHandshaking(HandshakeHardware), 0u);
    EXPECT_EQ(line.QueryBaudRate(), 250000);

    for (auto bad : {std::array<int, 4>{9600, 8, NOPARITY, ONE5STOPBITS},
                     std::array<int, 4>{9600, 9, NOPARITY, ONESTOPBIT},
                     std::array<int, 4>{9600, 4, NOPARITY, ONESTOPBIT},
                     std::array<int, 4>{9600, 8, 5, ONESTOPBIT},
                     std::array<int, 4>{0, 8, NOPARITY, ONESTOPBIT},
                     // a pseudo-terminal always runs 8 bits without parity
                     std::array<int, 4>{9600, 7, NOPARITY, ONESTOPBIT},
                     std::array<int, 4>{9600, 8, EVENPARITY, TWOSTOPBITS}}) {
        EXPECT_EQ(line.ConfigureLine(bad[0], bad[1], bad[2], bad[3]), kErrorInvalidParameter);
        EXPECT_EQ(line.QueryBaudRate(), 250000);
        EXPECT_EQ(line.QueryDataBits(), 8);
        EXPECT_EQ(line.QueryParity(), NOPARITY);
        EXPECT_EQ(line.QueryStopBits(), ONESTOPBIT);
    }
}

TEST(SerialLineParity, EveryParityValueSurvivesItsControlFlags) {
    for (int parity : {NOPARITY, ODDPARITY, EVENPARITY, MARKPARITY, SPACEPARITY})
        EXPECT_EQ(ParityFromControlFlags(ParityControlFlags(parity)), parity);
    EXPECT_EQ(ParityControlFlags(NOPARITY), 0u);
    EXPECT_NE(ParityControlFlags(MARKPARITY), ParityControlFlags(ODDPARITY));
}

TEST_F(SerialLine, HandshakingAndReadModesRoundTripAndUnknownModesAreRefused) {
    for (HandshakeMode mode : {HandshakeHardware, HandshakeSoftware, HandshakeOff}) {
        EXPECT_EQ(line.SetHandshaking(mode), 0u);
        EXPECT_EQ(line.QueryHandshaking(), mode);
    }
    EXPECT_EQ(line.SetHandshaking(HandshakeSoftware), 0u);
    EXPECT_EQ(line.SetHandshaking(static_cast<HandshakeMode>(3)), kEInvalidArg);
    EXPECT_EQ(line.QueryHandshaking(), HandshakeSoftware);
    EXPECT_EQ(line.SetReadTimeouts(static_cast<ReadTimeoutMode>(2)), kEInvalidArg);
    // Still non-blocking: nothing there gives 0 bytes at once.
    char buffer[8];
    std::uint32_t count = 5;
    EXPECT_EQ(line.ReadBytes(buffer, sizeof buffer, &count, nullptr, INFINITE), 0u);
    EXPECT_EQ(count, 0u);
}

TEST_F(SerialLine, EveryByteValuePassesBothWaysUnchanged) {
    std::vector<std::uint8_t> special = {0x00, 0x0A, 0x0D, 0x1A, 0x03, 0x11, 0x13, 0x7F, 0xFF};
    std::vector<std::uint8_t> all(256);
    std::iota(all.begin(), all.end(), 0);
    all.insert(all.end(), special.begin(), special.end());

    std::uint32_t written = 0;
    EXPECT_EQ(line.WriteBytes(all.data(), all.size(), &written, nullptr, 0), 0u);
    EXPECT_EQ(written, all.size());
    EXPECT_EQ(pty.Receive(all.size()), all);

    ASSERT_TRUE(pty.Send(all));
    std::vector<std::uint8_t> got;
    ASSERT_TRUE(WaitUntil([&] {
        std::uint8_t buffer[10];
        std::uint32_t count = 0;
        if (line.ReadBytes(buffer, sizeof buffer, &count, nullptr, INFINITE) != 0)
            return true;
        EXPECT_LE(count, 10u);
        got.insert(got.end(), buffer, buffer + count);
        return got.size() >= all.size();
    }));
    EXPECT_EQ(got, all);
}

TEST_F(SerialLine, HundredKilobytesEachWayWhileTheOtherSideKeepsUp) {
    std::vector<std::uint8_t> block = Pattern(100 * 1024);
    std::vector<std::uint8_t> echoed;
    std::thread device([&] { echoed = pty.Receive(block.size()); });
    std::uint32_t written = 0;
    EXPECT_EQ(line.WriteBytes(block.data(), block.size(), &written, nullptr, 0), 0u);
    EXPECT_EQ(written, block.size());
    device.join();
    EXPECT_EQ(echoed, block);

    EXPECT_EQ(line.SetReadTimeouts(ReadTimeoutBlocking), 0u);
    std::thread sender([&] { pty.Send(block); });
    std::vector<std::uint8_t> got(block.size());
    std::uint32_t count = 0;
    EXPECT_EQ(line.ReadBytes(got.data(), got.size(), &count, nullptr, INFINITE), 0u);
    sender.join();
    EXPECT_EQ(count, block.size());
    EXPECT_EQ(got, block);
}

TEST_F(SerialLine, BlockingReadWithTimeoutZeroTakesNothingUntilTheWholeRequestIsThere) {
    EXPECT_EQ(line.SetReadTimeouts(ReadTimeoutBlocking), 0u);
    ASSERT_TRUE(pty.Send("abc"));
    char buffer[5] = {};
    std::uint32_t count = 0;
    ASSERT_TRUE(
        WaitUntil([&] { return line.ReadBytes(buffer, 5, &count, nullptr, 0) == kErrorTimeout; }));
    EXPECT_EQ(count, 0u);
    ASSERT_TRUE(pty.Send("de"));
    ASSERT_TRUE(WaitUntil([&] { return line.ReadBytes(buffer, 5, &count, nullptr, 0) == 0; }));
    EXPECT_EQ(count, 5u);
    EXPECT_EQ(std::string(buffer, 5), "abcde");
}

TEST(SerialLineNonOverlapped, CallerStructureOrTimeoutZeroIsRefused) {
    CPtyPair pty;
    CSerialLine line;
    ASSERT_EQ(line.OpenPort(pty.SlavePath().c_str(), false), 0u);
    COverlapped overlapped;
    char buffer[4];
    std::uint32_t count = 0;
    EXPECT_EQ(line.WriteBytes("a", 1, &count, nullptr, 0), kErrorInvalidFunction);
    EXPECT_EQ(line.ReadBytes(buffer, 4, &count, &overlapped, INFINITE), kErrorInvalidFunction);
    EXPECT_EQ(line.WaitForEvent(nullptr, 0), kErrorInvalidFunction);
    EXPECT_EQ(line.WriteBytes("a", 1, nullptr, nullptr, INFINITE), 0u);
    EXPECT_EQ(pty.Receive(1), std::vector<std::uint8_t>{'a'});
}

TEST_F(SerialLine, CallerOverlappedReadCompletesWhenTheRestArrives) {
    EXPECT_EQ(line.SetReadTimeouts(ReadTimeoutBlocking), 0u);
    COverlapped overlapped;
    char buffer[4] = {};
    std::uint32_t count = 7;
    ASSERT_TRUE(pty.Send("xy"));
    ASSERT_TRUE(WaitUntil([&] {
        int waiting = 0;
        return ::ioctl(pty.Master(), TIOCOUTQ, &waiting) == 0 && waiting == 0;
    }));
    EXPECT_EQ(line.ReadBytes(buffer, 4, &count, &overlapped, INFINITE), 0u);
    EXPECT_EQ(count, 0u);
    EXPECT_TRUE(overlapped.IsPending());
    EXPECT_EQ(line.GetOverlappedResult(overlapped, &count, false), 996u);
    ASSERT_TRUE(pty.Send("zw"));
    EXPECT_EQ(line.GetOverlappedResult(overlapped, &count, true), 0u);
    EXPECT_EQ(count, 4u);
    EXPECT_TRUE(overlapped.Event().IsSignalled());
    EXPECT_EQ(std::string(buffer, 4), "xyzw");

    // A read left pending ends, signalled and aborted, when the port closes under it.
    EXPECT_EQ(line.ReadBytes(buffer, 4, &count, &overlapped, INFINITE), 0u);
    EXPECT_TRUE(overlapped.IsPending());
    line.ClosePort();
    EXPECT_TRUE(overlapped.Event().IsSignalled());
    EXPECT_EQ(line.GetOverlappedResult(overlapped, &count, true), 995u);
}

TEST_F(SerialLine, EventWaitReportsArrivalOnceAndTakeEventsMasks) {
    EXPECT_EQ(line.WaitForEvent(nullptr, 0), kErrorTimeout);
    ASSERT_TRUE(pty.Send("1"));
    ASSERT_TRUE(WaitUntil([&] { return line.WaitForEvent(nullptr, 0) == 0; }));
    EXPECT_EQ(line.TakeEvents(), EV_RXCHAR);
    EXPECT_EQ(line.TakeEvents(), 0u);
    // The byte is still unread, yet it is no new arrival.
    EXPECT_EQ(line.WaitForEvent(nullptr, 0), kErrorTimeout);
    // Re-applying the mask ends the next wait at once with no events.
    EXPECT_EQ(line.SetEventMask(EV_RXCHAR), 0u);
    EXPECT_EQ(line.WaitForEvent(nullptr, INFINITE), 0u);
    EXPECT_EQ(line.TakeEvents(), 0u);
    EXPECT_EQ(line.PurgeBuffers(), 0u);
    char buffer[4];
    std::uint32_t count = 9;
    EXPECT_EQ(line.ReadBytes(buffer, 4, &count, nullptr, INFINITE), 0u);
    EXPECT_EQ(count, 0u);
}

TEST_F(SerialLine, HangUpOfTheOtherSideFailsTransfersAndWaitsInsteadOfBlocking) {
    pty.CloseMaster();
    EXPECT_EQ(line.WaitForEvent(nullptr, INFINITE), kErrorGenFailure);
    EXPECT_EQ(line.WaitForEvent(nullptr, INFINITE), kErrorGenFailure);
    char buffer[4];
    std::uint32_t count = 0;
    EXPECT_EQ(line.ReadBytes(buffer, 4, &count, nullptr, INFINITE), kErrorGenFailure);
    EXPECT_EQ(line.WriteBytes("abc", 3, &count, nullptr, 0), kErrorGenFailure);
    EXPECT_TRUE(line.HasPort());
    EXPECT_EQ(line.ClosePort(), 0u);
}

TEST_F(SerialLine, EventCharacterIsKeptAndAddsTheFlagEvent) {
    EXPECT_EQ(line.SetEventCharacter('\r', false), 0u);
    EXPECT_EQ(line.QueryEventCharacter(), '\r');
    EXPECT_EQ(line.QueryEventMask(), 0x00C1u);
    EXPECT_EQ(line.SetEventCharacter('\n', true), 0u);
    EXPECT_EQ(line.QueryEventMask(), 0x00C1u | EV_RXFLAG);
}

TEST(SerialLineErrors, CounterChangesBecomeErrorBitsAndEvents) {
    LineErrorCounters before{3, 1, 0, 0, 0};
    LineErrorCounters same = before;
    EXPECT_EQ(CommErrorBits(before, same), 0u);
    EXPECT_EQ(LineErrorEvents(before, same), 0u);

    LineErrorCounters framed = before;
    framed.nFrame = 2;
    EXPECT_EQ(CommErrorBits(before, framed), CE_FRAME);
    EXPECT_EQ(LineErrorEvents(before, framed), EV_ERR);
    // The documented example: a frame error alongside received data.
    EXPECT_EQ(((CommErrorBits(before, framed) & 0xFFFF) << 16) | (EV_RXCHAR | EV_ERR), 0x00080081u);

    LineErrorCounters broken = before;
    broken.nBreak = 4;
    EXPECT_EQ(CommErrorBits(before, broken), CE_BREAK);
    EXPECT_EQ(LineErrorEvents(before, broken), EV_BREAK);

    LineErrorCounters all{4, 2, 1, 1, 1};
    EXPECT_EQ(CommErrorBits(before, all),
              CE_RXOVER | CE_OVERRUN | CE_RXPARITY | CE_FRAME | CE_BREAK);
    EXPECT_EQ(LineErrorEvents(before, all), EV_BREAK | EV_ERR);
}

TEST_F(SerialLine, OutputDrainedIsReportedOncePerWriteWhenAsked) {
    EXPECT_EQ(line.SetEventMask(EV_RXCHAR | EV_TXEMPTY), 0u);
    EXPECT_EQ(line.WaitForEvent(nullptr, INFINITE), 0u); // the mask change itself
    EXPECT_EQ(line.TakeEvents(), 0u);
    EXPECT_EQ(line.WaitForEvent(nullptr, 0), kErrorTimeout); // writable, but nothing was sent
    EXPECT_EQ(line.WriteText("drain me"), 0u);
    EXPECT_EQ(pty.Receive(8).size(), 8u);
    ASSERT_TRUE(WaitUntil([&] { return line.WaitForEvent(nullptr, 0) == 0; }));
    EXPECT_EQ(line.TakeEvents(), EV_TXEMPTY);
    EXPECT_EQ(line.WaitForEvent(nullptr, 0), kErrorTimeout);
}

TEST_F(SerialLine, CallerOverlappedEventWaitCompletesOnArrival) {
    COverlapped overlapped;
    EXPECT_EQ(line.WaitForEvent(&overlapped, INFINITE), 0u);
    EXPECT_TRUE(overlapped.IsPending());
    EXPECT_FALSE(overlapped.Event().IsSignalled());
    EXPECT_EQ(line.GetOverlappedResult(overlapped, nullptr, false), 996u);
    ASSERT_TRUE(pty.Send("!"));
    EXPECT_EQ(line.GetOverlappedResult(overlapped, nullptr, true), 0u);
    EXPECT_TRUE(overlapped.Event().IsSignalled());
    EXPECT_EQ(line.TakeEvents(), EV_RXCHAR);
}

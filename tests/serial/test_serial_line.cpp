#include "ptypair.h"
#include "serial/cserialline.h"
#include "serial/posix/linetermios.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <future>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
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
    char buffer[8] = {};
    std::uint32_t count = 99;
};

} // namespace

TEST_F(SerialLine, OpenSetsDefaultsAndFurtherOpensAreRefusedWithoutHarm) {
    EXPECT_TRUE(line.HasPort());
    EXPECT_EQ(line.QueryEventMask(), 0x00C1u);
    EXPECT_EQ(line.QueryDataBits(), 8);
    EXPECT_EQ(line.QueryParity(), NOPARITY);
    EXPECT_EQ(line.QueryHandshaking(), HandshakeOff);

    CPtyPair other;
    EXPECT_EQ(line.OpenPort(other.SlavePath().c_str(), true), kErrorAlreadyInitialized);
    EXPECT_EQ(line.GetLastError(), kErrorAlreadyInitialized);
    EXPECT_EQ(line.WriteBytes("ok", 2, &count, nullptr, INFINITE), 0u);
    EXPECT_EQ(count, 2u);
    EXPECT_EQ(pty.Receive(2), "ok");

    // A second opener, here or in another process, is refused until the first closes.
    CSerialLine second;
    EXPECT_EQ(second.OpenPort(pty.SlavePath().c_str(), false), kErrorAccessDenied);
    EXPECT_FALSE(second.HasPort());
    std::uint32_t error = 0;
    EXPECT_EQ(CSerialLine::ProbePort(pty.SlavePath().c_str(), &error), PortInUse);
    EXPECT_EQ(error, kErrorAccessDenied);
    pid_t child = ::fork();
    if (child == 0)
        ::_exit(second.OpenPort(pty.SlavePath().c_str(), false) == kErrorAccessDenied ? 0 : 1);
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

    char buffer[4];
    std::uint32_t count = 99;
    for (std::uint32_t result :
         {line.ConfigureLine(9600, 8, NOPARITY, ONESTOPBIT), line.SetEventCharacter('\n', true),
          line.SetEventMask(EV_RXCHAR), line.WaitForEvent(nullptr, INFINITE),
          line.SetHandshaking(HandshakeOff), line.SetReadTimeouts(ReadTimeoutBlocking),
          line.PurgeBuffers(), line.ReadBytes(buffer, 4, &count, nullptr, INFINITE)})
        EXPECT_EQ(result, kErrorInvalidHandle);
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

TEST_F(SerialLine, LineSettingsRoundTripAndWhatTheLineCannotDoChangesNothing) {
    EXPECT_EQ(line.ConfigureLine(115200, 8, NOPARITY, TWOSTOPBITS), 0u);
    EXPECT_EQ(line.QueryBaudRate(), 115200);
    EXPECT_EQ(line.QueryStopBits(), TWOSTOPBITS);
    // A rate without a B-constant goes through the arbitrary-rate interface and stays set.
    EXPECT_EQ(line.ConfigureLine(250000, 8, NOPARITY, ONESTOPBIT), 0u);
    EXPECT_EQ(line.SetHandshaking(HandshakeHardware), 0u);
    EXPECT_EQ(line.QueryBaudRate(), 250000);

    for (auto bad :
         {std::array{9600, 8, NOPARITY, ONE5STOPBITS}, std::array{9600, 9, NOPARITY, ONESTOPBIT},
          std::array{9600, 4, NOPARITY, ONESTOPBIT}, std::array{9600, 8, 5, ONESTOPBIT},
          std::array{0, 8, NOPARITY, ONESTOPBIT},
          // a pseudo-terminal always runs 8 bits without parity
          std::array{9600, 7, NOPARITY, ONESTOPBIT},
          std::array{9600, 8, EVENPARITY, TWOSTOPBITS}}) {
        EXPECT_EQ(line.ConfigureLine(bad[0], bad[1], bad[2], bad[3]), kErrorInvalidParameter);
        EXPECT_EQ(line.QueryBaudRate(), 250000);
        EXPECT_EQ(line.QueryDataBits(), 8);
        EXPECT_EQ(line.QueryParity(), NOPARITY);
        EXPECT_EQ(line.QueryStopBits(), ONESTOPBIT);
    }
    for (int parity : {NOPARITY, ODDPARITY, EVENPARITY, MARKPARITY, SPACEPARITY})
        EXPECT_EQ(ParityFromControlFlags(ParityControlFlags(parity)), parity);
    EXPECT_NE(ParityControlFlags(MARKPARITY), ParityControlFlags(ODDPARITY));
}

TEST_F(SerialLine, HandshakingAndReadModesRoundTripAndUnknownModesAreRefused) {
    for (HandshakeMode mode : {HandshakeHardware, HandshakeOff, HandshakeSoftware}) {
        EXPECT_EQ(line.SetHandshaking(mode), 0u);
        EXPECT_EQ(line.QueryHandshaking(), mode);
    }
    EXPECT_EQ(line.SetHandshaking(static_cast<HandshakeMode>(3)), kEInvalidArg);
    EXPECT_EQ(line.QueryHandshaking(), HandshakeSoftware);
    EXPECT_EQ(line.SetReadTimeouts(static_cast<ReadTimeoutMode>(2)), kEInvalidArg);
    // Still non-blocking: nothing there gives 0 bytes at once.
    EXPECT_EQ(line.ReadBytes(buffer, sizeof buffer, &count, nullptr, INFINITE), 0u);
    EXPECT_EQ(count, 0u);
}

// Every byte value is in the pattern.
TEST_F(SerialLine, HundredKilobytesPassEachWayUnchanged) {
    std::string block(100 * 1024, '\0');
    for (std::size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<char>((i * 7 + i / 256) & 0xFF);
    std::string echoed;
    std::thread device([&] { echoed = pty.Receive(block.size()); });
    EXPECT_EQ(line.WriteBytes(block.data(), block.size(), &count, nullptr, INFINITE), 0u);
    EXPECT_EQ(count, block.size());
    device.join();
    EXPECT_EQ(echoed, block);

    EXPECT_EQ(line.SetReadTimeouts(ReadTimeoutBlocking), 0u);
    std::thread sender([&] { pty.Send(block); });
    std::string got(block.size(), '\0');
    FinishWithin(10, "a blocking read of 100 KiB ending once they had all arrived", [&] {
        EXPECT_EQ(line.ReadBytes(got.data(), got.size(), &count, nullptr, INFINITE), 0u);
    });
    sender.join();
    EXPECT_EQ(count, block.size());
    EXPECT_EQ(got, block);
}

// The update engine's writes: a device that takes nothing more must not hold the caller.
TEST_F(SerialLine, AWriteWithTimeoutZeroNeverWaitsAndTheRestFollowsInOrder) {
    std::string block(1024 * 1024, '\0'); // far more than a pseudo-terminal holds
    for (std::size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<char>((i * 13 + i / 251) & 0xFF);
    auto write = std::async(std::launch::async, [&] {
        return line.WriteBytes(block.data(), block.size(), &count, nullptr, 0);
    });
    const bool bReturned = write.wait_for(std::chrono::seconds(5)) == std::future_status::ready;
    std::string got;
    if (!bReturned)
        got = pty.Receive(block.size()); // lets a blocked write go, so the test can end
    ASSERT_TRUE(bReturned) << "a write with time-out 0 waited for the device";
    EXPECT_EQ(write.get(), 0u);
    EXPECT_LT(count, block.size());
    EXPECT_EQ(line.QueuedOutput(), block.size() - count);
    EXPECT_EQ(line.WriteBytes("end", 3, &count, nullptr, 0), 0u);
    EXPECT_EQ(count, 0u); // behind the queue, never before it

    std::thread device([&] { got = pty.Receive(block.size() + 3); });
    ASSERT_TRUE(
        WaitUntil([&] { return line.ContinueWrite() == 0 && line.QueuedOutput() == 0; }, 10000));
    device.join();
    EXPECT_TRUE(got == block + "end") << got.size() << " bytes arrived";

    // Bytes the device never takes are dropped at close, which does not wait for them.
    std::string unsent(256 * 1024, 'x');
    EXPECT_EQ(line.WriteBytes(unsent.data(), unsent.size(), &count, nullptr, 0), 0u);
    EXPECT_GT(line.QueuedOutput(), 0u);
    EXPECT_EQ(line.ClosePort(), 0u);
    EXPECT_EQ(line.QueuedOutput(), 0u);
    EXPECT_EQ(CSerialLine::ProbePort(pty.SlavePath().c_str()), PortAvailable);
}

TEST(SerialLineClose, PutsTheLineBackAsItWasFound) {
    CPtyPair pty;
    termios before{};
    {
        int fd = ::open(pty.SlavePath().c_str(), O_RDWR | O_NOCTTY);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::tcgetattr(fd, &before), 0);
        before.c_cflag &= ~CLOCAL;
        before.c_lflag |= ECHO | ECHOE | ICANON;
        ::cfsetspeed(&before, B2400);
        ASSERT_EQ(::tcsetattr(fd, TCSANOW, &before), 0);
        ASSERT_EQ(::tcgetattr(fd, &before), 0);
        ::close(fd);
    }
    CSerialLine line;
    ASSERT_EQ(line.OpenPort(pty.SlavePath().c_str(), true), 0u);
    ASSERT_EQ(line.ConfigureLine(115200, 8, NOPARITY, ONESTOPBIT), 0u);
    ASSERT_EQ(line.SetHandshaking(HandshakeSoftware), 0u);
    ASSERT_EQ(line.ClosePort(), 0u);

    int fd = ::open(pty.SlavePath().c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(fd, 0);
    termios after{};
    ASSERT_EQ(::tcgetattr(fd, &after), 0);
    ::close(fd);
    EXPECT_EQ(after.c_iflag, before.c_iflag);
    EXPECT_EQ(after.c_oflag, before.c_oflag);
    EXPECT_EQ(after.c_cflag, before.c_cflag);
    EXPECT_EQ(after.c_lflag, before.c_lflag);
    EXPECT_EQ(::cfgetospeed(&after), static_cast<speed_t>(B2400));
    EXPECT_EQ(std::string(reinterpret_cast<char*>(after.c_cc), NCCS),
              std::string(reinterpret_cast<char*>(before.c_cc), NCCS));
}

// A comN link may point anywhere; only a terminal is a port, and anything else says what it is
// instead of waiting for a detection that cannot come.
TEST(SerialLineOddTargets, AreUnknownWithTheirKindInTheCause) {
    char szDir[] = "/tmp/vantoro-odd-XXXXXX";
    ASSERT_NE(::mkdtemp(szDir), nullptr);
    const std::string strDir = szDir;
    ASSERT_EQ(::mkfifo((strDir + "/fifo").c_str(), 0600), 0);
    ::close(::open((strDir + "/file").c_str(), O_CREAT | O_WRONLY, 0600));
    ::mkdir((strDir + "/folder").c_str(), 0700);
    const struct {
        const char* pszName;
        std::string strTarget;
        const char* pszKind;
    } kCases[] = {
        {"RegularFile", strDir + "/file", "it is a regular file"},
        {"DevNull", "/dev/null", "it is a character device that is no terminal"},
        {"Fifo", strDir + "/fifo", "it is a FIFO"},
        {"Directory", strDir + "/folder", "it is a directory"},
    };
    for (const auto& c : kCases) {
        std::uint32_t error = 0;
        std::string strCause;
        EXPECT_EQ(CSerialLine::ProbePort(c.strTarget.c_str(), &error, &strCause), PortUnknown)
            << c.pszName;
        EXPECT_NE(error, 0u) << c.pszName;
        EXPECT_NE(strCause.find("is not a serial port: " + std::string(c.pszKind)),
                  std::string::npos)
            << c.pszName << ": " << strCause;
        CSerialLine line;
        EXPECT_NE(line.OpenPort(c.strTarget.c_str(), true), 0u) << c.pszName;
        EXPECT_FALSE(line.HasPort()) << c.pszName;
    }
    std::filesystem::remove_all(strDir);
}

TEST_F(SerialLine, BlockingReadWithTimeoutZeroTakesNothingUntilTheWholeRequestIsThere) {
    EXPECT_EQ(line.SetReadTimeouts(ReadTimeoutBlocking), 0u);
    ASSERT_TRUE(pty.Send("abc"));
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
    EXPECT_EQ(pty.Receive(1), "a");
}

TEST_F(SerialLine, CallerOverlappedReadAndWaitCompleteWhenTheDataArrives) {
    COverlapped waiting;
    EXPECT_EQ(line.WaitForEvent(&waiting, INFINITE), 0u);
    EXPECT_TRUE(waiting.IsPending());
    EXPECT_FALSE(waiting.Event().IsSignalled());
    EXPECT_EQ(line.GetOverlappedResult(waiting, nullptr, false), 996u);
    ASSERT_TRUE(pty.Send("xy"));
    FinishWithin(5, "a pending event wait ending when bytes arrived",
                 [&] { EXPECT_EQ(line.GetOverlappedResult(waiting, nullptr, true), 0u); });
    EXPECT_TRUE(waiting.Event().IsSignalled());
    EXPECT_EQ(line.TakeEvents(), EV_RXCHAR);

    EXPECT_EQ(line.SetReadTimeouts(ReadTimeoutBlocking), 0u);
    COverlapped overlapped;
    EXPECT_EQ(line.ReadBytes(buffer, 4, &count, &overlapped, INFINITE), 0u);
    EXPECT_EQ(count, 0u);
    EXPECT_TRUE(overlapped.IsPending());
    EXPECT_EQ(line.GetOverlappedResult(overlapped, &count, false), 996u);
    ASSERT_TRUE(pty.Send("zw"));
    FinishWithin(5, "a pending read of 4 bytes ending when the last 2 arrived",
                 [&] { EXPECT_EQ(line.GetOverlappedResult(overlapped, &count, true), 0u); });
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
    EXPECT_EQ(line.PurgeBuffers(), 0u);
    EXPECT_EQ(line.ReadBytes(buffer, 4, &count, nullptr, INFINITE), 0u);
    EXPECT_EQ(count, 0u);

    EXPECT_EQ(line.SetEventMask(EV_RXCHAR), 0u);
    EXPECT_EQ(line.SetEventCharacter('\r', false), 0u);
    EXPECT_EQ(line.QueryEventCharacter(), '\r');
    EXPECT_EQ(line.QueryEventMask(), EV_RXCHAR);
    EXPECT_EQ(line.SetEventCharacter('\n', true), 0u);
    EXPECT_EQ(line.QueryEventMask(), EV_RXCHAR | EV_RXFLAG);
}

// Adding or dropping EV_TXEMPTY completes the pending wait with no bits, whether the wait began
// before or after; bytes already waiting unread are never reported as an arrival again.
TEST_F(SerialLine, MaskChangesNeverReportUnreadBytesAsNewAndDrainedOutputIsReportedOnce) {
    ASSERT_TRUE(pty.Send("unread"));
    ASSERT_TRUE(WaitUntil([&] { return line.WaitForEvent(nullptr, 0) == 0; }));
    EXPECT_EQ(line.TakeEvents(), EV_RXCHAR);
    for (std::uint32_t mask : {EV_RXCHAR | EV_TXEMPTY, EV_RXCHAR, EV_RXCHAR | EV_TXEMPTY}) {
        std::uint32_t result = 99, events = 99;
        std::thread waiter([&] {
            result = line.WaitForEvent(nullptr, INFINITE);
            events = line.TakeEvents();
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        EXPECT_EQ(line.SetEventMask(mask), 0u);
        waiter.join();
        EXPECT_EQ(result, 0u) << mask;
        EXPECT_EQ(events, 0u) << mask;
        EXPECT_EQ(line.WaitForEvent(nullptr, 0), kErrorTimeout) << mask;
    }
    EXPECT_EQ(line.WriteText("drain me"), 0u);
    EXPECT_EQ(pty.Receive(8).size(), 8u);
    ASSERT_TRUE(WaitUntil([&] { return line.WaitForEvent(nullptr, 0) == 0; }));
    EXPECT_EQ(line.TakeEvents(), EV_TXEMPTY);
    EXPECT_EQ(line.WaitForEvent(nullptr, 0), kErrorTimeout);
    ASSERT_TRUE(pty.Send("!"));
    ASSERT_TRUE(WaitUntil([&] { return line.WaitForEvent(nullptr, 0) == 0; }));
    EXPECT_EQ(line.TakeEvents(), EV_RXCHAR);
    EXPECT_EQ(line.ReadBytes(buffer, sizeof buffer, &count, nullptr, INFINITE), 0u);
    EXPECT_EQ(std::string(buffer, count), "unread!");

    // Bytes that arrive as the mask is applied again end that wait with no bits; once the
    // caller has read them, the next wait has nothing new to report.
    EXPECT_EQ(line.SetReadTimeouts(ReadTimeoutBlocking), 0u);
    ASSERT_TRUE(pty.Send("abc"));
    // A read with time-out 0 takes a byte only once the bytes are in: two are left behind.
    ASSERT_TRUE(WaitUntil([&] { return line.ReadBytes(buffer, 1, &count, nullptr, 0) == 0; }));
    EXPECT_EQ(line.SetEventMask(EV_RXCHAR), 0u);
    EXPECT_EQ(line.WaitForEvent(nullptr, 0), 0u);
    EXPECT_EQ(line.TakeEvents(), 0u);
    EXPECT_EQ(line.ReadBytes(buffer, 2, &count, nullptr, INFINITE), 0u);
    EXPECT_EQ(std::string(buffer, count), "bc");
    EXPECT_EQ(line.WaitForEvent(nullptr, 0), kErrorTimeout);
    EXPECT_EQ(line.TakeEvents(), 0u);
}

// A pseudo-terminal keeps no error counters, so the counter comparison is tested on its own.
TEST(SerialLineErrors, CounterChangesBecomeErrorBitsAndEvents) {
    const LineErrorCounters before{3, 1, 0, 0, 0}; // breaks, frame errors, ...
    struct Case {
        LineErrorCounters after;
        std::uint32_t nBits;
        std::uint32_t nEvents;
    };
    for (const Case& c : {Case{before, 0u, 0u}, Case{{3, 2, 0, 0, 0}, CE_FRAME, EV_ERR},
                          Case{{4, 1, 0, 0, 0}, CE_BREAK, EV_BREAK},
                          Case{{4, 2, 1, 1, 1},
                               CE_RXOVER | CE_OVERRUN | CE_RXPARITY | CE_FRAME | CE_BREAK,
                               EV_BREAK | EV_ERR}}) {
        EXPECT_EQ(CommErrorBits(before, c.after), c.nBits);
        EXPECT_EQ(LineErrorEvents(before, c.after), c.nEvents);
    }
}

// The Win32 port under Wine: two COM ports whose pseudo-terminals are bridged (what one sends
// the other receives) and ser2net ports whose device echoes what it gets. The driver that sets
// them up (run_wine_serial.py) names them in the environment.
#include "serial/comportdiscovery.h"
#include "serial/cserialeventline.h"
#include "serial/cserialline.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

using namespace vantoro;
using namespace std::chrono_literals;

namespace {

std::string Setting(const char* pszName) {
    const char* pszValue = std::getenv(pszName);
    return pszValue ? pszValue : "";
}

// "\\.\COMn" of the driver's port; fails the test when the driver did not give one.
std::string ComPort(const char* pszName) {
    const std::string number = Setting(pszName);
    EXPECT_FALSE(number.empty()) << pszName << " is not set: run this under run_wine_serial.py";
    return "\\\\.\\COM" + number;
}

// Reads without blocking until strWanted.size() bytes are in or the time is up.
std::string ReadFor(CSerialLine& line, std::size_t nWanted, std::chrono::milliseconds limit) {
    std::string got;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (got.size() < nWanted && std::chrono::steady_clock::now() < deadline) {
        char buffer[64];
        std::uint32_t count = 0;
        if (line.ReadBytes(buffer, sizeof buffer, &count, nullptr, INFINITE) != 0)
            break;
        got.append(buffer, count);
        if (count == 0)
            std::this_thread::sleep_for(10ms);
    }
    return got;
}

// A listener that keeps what it was told.
class CRecordingLine : public CSerialEventLine {
public:
    void OnLineEvent(std::uint32_t nEvents, std::uint32_t /*nErrors*/) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_nEvents |= nEvents;
        m_changed.notify_all();
    }
    void OnLineGone(std::uint32_t /*nError*/) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bGone = true;
        m_changed.notify_all();
    }
    // Waits (bounded) until a wake-up carried one of nBits.
    bool SawWithin(std::uint32_t nBits, std::chrono::milliseconds limit) {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_changed.wait_for(lock, limit, [&] { return (m_nEvents & nBits) != 0; });
    }
    // Waits (bounded) until the listener said the line has gone.
    bool GoneWithin(std::chrono::milliseconds limit) {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_changed.wait_for(lock, limit, [&] { return m_bGone; });
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::uint32_t m_nEvents = 0;
    bool m_bGone = false;
};

// Runs what may block on a thread of its own; false when it did not end within the limit.
template <class F> bool FinishesWithin(std::chrono::milliseconds limit, F function) {
    auto done = std::async(std::launch::async, function);
    if (done.wait_for(limit) == std::future_status::ready)
        return true;
    done.wait(); // a hang is reported, but the test still must not leave the thread behind
    return false;
}

} // namespace

TEST(Win32SerialLine, OpensSetsAndReadsBackTheLineAndKeepsTheContractCodes) {
    const std::string port = ComPort("VANTORO_TEST_COM_A");
    CSerialLine line;
    EXPECT_EQ(line.QueryBaudRate(), -1);
    EXPECT_EQ(line.GetLastError(), kErrorInvalidHandle);
    EXPECT_EQ(line.WriteBytes("x", 1), kErrorInvalidHandle);
    EXPECT_EQ(line.ClosePort(), 0u);

    ASSERT_EQ(line.OpenPort(port.c_str(), true), 0u);
    EXPECT_EQ(line.QueryEventMask(), 0x00C1u);
    EXPECT_EQ(line.ConfigureLine(57600, 8, NOPARITY, ONESTOPBIT), 0u);
    EXPECT_EQ(line.QueryBaudRate(), 57600);
    EXPECT_EQ(line.QueryDataBits(), 8);
    EXPECT_EQ(line.QueryParity(), NOPARITY);
    EXPECT_EQ(line.QueryStopBits(), ONESTOPBIT);
    EXPECT_EQ(line.ConfigureLine(19200, 8, NOPARITY, ONESTOPBIT), 0u);
    EXPECT_EQ(line.QueryBaudRate(), 19200);
    EXPECT_EQ(line.ConfigureLine(0, 8, NOPARITY, ONESTOPBIT), kErrorInvalidParameter);
    EXPECT_EQ(line.QueryBaudRate(), 19200);

    EXPECT_EQ(line.SetHandshaking(HandshakeSoftware), 0u);
    EXPECT_EQ(line.QueryHandshaking(), HandshakeSoftware);
    EXPECT_EQ(line.SetHandshaking(HandshakeOff), 0u);
    EXPECT_EQ(line.QueryHandshaking(), HandshakeOff);
    EXPECT_EQ(line.SetHandshaking(static_cast<HandshakeMode>(3)), kEInvalidArg);
    EXPECT_EQ(line.SetReadTimeouts(static_cast<ReadTimeoutMode>(2)), kEInvalidArg);
    EXPECT_EQ(line.SetEventCharacter('+', true), 0u);
    EXPECT_EQ(line.QueryEventCharacter(), '+');
    EXPECT_EQ(line.QueryEventMask(), 0x00C1u | EV_RXFLAG);

    // A second open, of this object or another, is refused and leaves the first one working.
    EXPECT_EQ(line.OpenPort(port.c_str(), true), kErrorAlreadyInitialized);
    CSerialLine second;
    EXPECT_EQ(second.OpenPort(port.c_str(), true), kErrorAccessDenied);
    EXPECT_FALSE(second.HasPort());
    std::uint32_t error = 0;
    EXPECT_EQ(CSerialLine::ProbePort(port.c_str(), &error), PortInUse);
    EXPECT_EQ(error, kErrorAccessDenied);
    EXPECT_EQ(line.QueryBaudRate(), 19200);

    EXPECT_EQ(line.ClosePort(), 0u);
    EXPECT_FALSE(line.HasPort());
    EXPECT_EQ(CSerialLine::ProbePort(port.c_str(), &error), PortAvailable);
    EXPECT_EQ(error, 0u);
}

// SetupAPI and the drivers' announcements, whatever the machine has: every entry's number is
// that of its name. (Wine announces only the ports its prefix had when it started, so the
// bridged ports of this run are not among them.)
TEST(Win32ComPortDiscovery, ListsPortsInOrderWithTheirNumbersInTheirNames) {
    std::vector<int> numbers;
    std::vector<std::string> names;
    EXPECT_TRUE(DiscoverComPorts(numbers, names));
    ASSERT_EQ(numbers.size(), names.size());
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        int nPort = -1;
        EXPECT_TRUE(ComNumberFromFriendlyName(names[i], nPort)) << names[i];
        EXPECT_EQ(nPort, numbers[i]) << names[i];
    }
    EXPECT_TRUE(std::is_sorted(numbers.begin(), numbers.end()));
}

TEST(Win32SerialLine, AMissingPortIsNotFound) {
    CSerialLine line;
    EXPECT_EQ(line.OpenPort("\\\\.\\COM231", true), kErrorFileNotFound);
    EXPECT_FALSE(line.HasPort());
    std::uint32_t error = 0;
    EXPECT_EQ(CSerialLine::ProbePort("\\\\.\\COM231", &error), PortUnavailable);
    EXPECT_EQ(error, kErrorFileNotFound);
}

TEST(Win32SerialLine, ReadsWhatArrivedAndTimesOutWhenNothingDid) {
    CSerialLine reader;
    CSerialLine writer;
    ASSERT_EQ(reader.OpenPort(ComPort("VANTORO_TEST_COM_A").c_str(), true), 0u);
    ASSERT_EQ(writer.OpenPort(ComPort("VANTORO_TEST_COM_B").c_str(), true), 0u);
    char buffer[16];
    std::uint32_t count = 99;
    EXPECT_EQ(reader.ReadBytes(buffer, sizeof buffer, &count, nullptr, INFINITE), 0u);
    EXPECT_EQ(count, 0u); // non-blocking: nothing there is no error

    // Blocking reads with time-out 0 take nothing unless the whole request is there.
    EXPECT_EQ(reader.SetReadTimeouts(ReadTimeoutBlocking), 0u);
    EXPECT_EQ(reader.ReadBytes(buffer, 4, &count, nullptr, 0), kErrorTimeout);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(reader.SetReadTimeouts(ReadTimeoutNonBlocking), 0u);

    std::uint32_t written = 0;
    EXPECT_EQ(writer.WriteBytes("hello", 5, &written, nullptr, INFINITE), 0u);
    EXPECT_EQ(written, 5u);
    EXPECT_EQ(ReadFor(reader, 5, 5000ms), "hello");

    // The update's writes: time-out 0, queued when the driver cannot take them at once.
    const std::string record = "S1130000" + std::string(200, 'A') + "\n";
    EXPECT_EQ(writer.WriteBytes(record.data(), record.size(), &written, nullptr, 0), 0u);
    EXPECT_EQ(ReadFor(reader, record.size(), 10000ms), record);
    EXPECT_EQ(writer.QueuedOutput(), 0u);
}

TEST(Win32SerialLine, TheListenerTellsOfArrivalsAndEndsPromptlyAtClose) {
    CRecordingLine listener;
    CSerialLine writer;
    ASSERT_EQ(listener.OpenPort(ComPort("VANTORO_TEST_COM_A").c_str(), true), 0u);
    ASSERT_EQ(writer.OpenPort(ComPort("VANTORO_TEST_COM_B").c_str(), true), 0u);
    ASSERT_TRUE(listener.IsListening());
    EXPECT_EQ(writer.WriteBytes("F", 1, nullptr, nullptr, INFINITE), 0u);
    EXPECT_TRUE(listener.SawWithin(EV_RXCHAR, 5000ms)) << "no EV_RXCHAR for a byte that arrived";
    EXPECT_EQ(ReadFor(listener, 1, 2000ms), "F");
    EXPECT_TRUE(FinishesWithin(5000ms, [&] { listener.ClosePort(); }))
        << "closing did not wake the listener";
    EXPECT_FALSE(listener.IsListening());
}

class Win32NetworkLine : public ::testing::TestWithParam<const char*> {};

// The device behind the server echoes: every byte comes back as it was, 0xFF included.
TEST_P(Win32NetworkLine, CarriesBytesBothWaysAndTellsTheListener) {
    const std::string port = Setting(GetParam());
    ASSERT_FALSE(port.empty()) << GetParam() << " is not set: run this under run_wine_serial.py";
    CRecordingLine line;
    ASSERT_EQ(line.OpenPort(port.c_str(), true), 0u) << port;
    EXPECT_EQ(line.ConfigureLine(57600, 8, NOPARITY, ONESTOPBIT), 0u);
    EXPECT_EQ(line.QueryBaudRate(), 57600);
    const std::string data = std::string("ping\xFF\x00pong", 10);
    std::uint32_t written = 0;
    EXPECT_EQ(line.WriteBytes(data.data(), data.size(), &written, nullptr, 0), 0u);
    EXPECT_TRUE(line.SawWithin(EV_RXCHAR, 5000ms)) << "no EV_RXCHAR for the echo";
    EXPECT_EQ(ReadFor(line, data.size(), 5000ms), data);
    EXPECT_EQ(line.QueuedOutput(), 0u);

    std::uint32_t error = 0;
    EXPECT_EQ(CSerialLine::ProbePort(port.c_str(), &error), PortInUse) << port;
    EXPECT_TRUE(FinishesWithin(5000ms, [&] { line.ClosePort(); }))
        << "closing did not wake the listener";
}

INSTANTIATE_TEST_SUITE_P(Ser2Net, Win32NetworkLine,
                         ::testing::Values("VANTORO_TEST_ECHO_RFC2217",
                                           "VANTORO_TEST_ECHO_SOCKET"));

TEST(Win32NetworkLineErrors, ANetworkPortNobodyServesIsNotFound) {
    const std::string port = Setting("VANTORO_TEST_CLOSED_PORT");
    ASSERT_FALSE(port.empty()) << "VANTORO_TEST_CLOSED_PORT is not set";
    CSerialLine line;
    EXPECT_EQ(line.OpenPort(port.c_str(), true), kErrorFileNotFound);
    EXPECT_FALSE(line.HasPort());
}

// The server answers and closes at once, its end of the connection right behind the reply. The
// listener tells of the bytes as soon as they are there and learns the rest after: both the
// reply and the end must reach the engine, the end promptly, not as a reply time-out.
TEST(Win32NetworkLineErrors, AReplyWithTheConnectionsEndBehindItIsToldAndThenTheEnd) {
    const std::string port = Setting("VANTORO_TEST_REPLY_AND_HANG_UP");
    ASSERT_FALSE(port.empty()) << "VANTORO_TEST_REPLY_AND_HANG_UP is not set";
    CRecordingLine line;
    ASSERT_EQ(line.OpenPort(port.c_str(), true), 0u) << port;
    EXPECT_EQ(line.WriteBytes("S9", 2, nullptr, nullptr, 0), 0u);
    EXPECT_TRUE(line.SawWithin(EV_RXCHAR, 5000ms)) << "no EV_RXCHAR for the reply";
    EXPECT_EQ(ReadFor(line, 1, 2000ms), "+");
    EXPECT_TRUE(line.GoneWithin(3000ms)) << "the server's end was not told";
    EXPECT_TRUE(FinishesWithin(5000ms, [&] { line.ClosePort(); }));
}

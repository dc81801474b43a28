#include "platform/cmessageregistry.h"
#include "ptypair.h"
#include "serial/cserialwndadapter.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <dirent.h>
#include <mutex>

using namespace vantoro;
using namespace std::chrono;

namespace {

struct PostedMessage {
    std::uint32_t nMessage;
    std::uintptr_t wParam;
    std::intptr_t lParam;
};

// Stands in for the main window: keeps every notification in arrival order.
class CQueueSink : public ISerialMessageSink {
public:
    void PostSerialMessage(std::uint32_t nMessage, std::uintptr_t wParam,
                           std::intptr_t lParam) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_messages.push_back({nMessage, wParam, lParam});
        m_changed.notify_all();
    }
    bool WaitForCount(std::size_t nCount, int nLimitMs = 3000) {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_changed.wait_for(lock, milliseconds(nLimitMs),
                                  [&] { return m_messages.size() >= nCount; });
    }
    std::vector<PostedMessage> Messages() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_messages;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<PostedMessage> m_messages;
};

// Counts the listener's wake-ups through the overridable wait.
class CCountingPort : public CSerialWndAdapter {
public:
    ~CCountingPort() override { ClosePort(); }
    std::uint32_t WaitForEvent(COverlapped* pOverlapped, std::uint32_t nTimeout) override {
        ++m_nWaits;
        return CSerialWndAdapter::WaitForEvent(pOverlapped, nTimeout);
    }
    int Waits() const { return m_nWaits.load(); }

private:
    std::atomic<int> m_nWaits{0};
};

int ThreadCount() {
    int count = 0;
    if (DIR* dir = ::opendir("/proc/self/task")) {
        while (dirent* entry = ::readdir(dir))
            count += entry->d_name[0] != '.';
        ::closedir(dir);
    }
    return count;
}

std::string ReadAll(CSerialLine& line) {
    std::string text;
    char buffer[10];
    std::uint32_t count = 0;
    do {
        EXPECT_EQ(line.ReadBytes(buffer, sizeof buffer, &count, nullptr, INFINITE), 0u);
        text.append(buffer, count);
    } while (count == sizeof buffer);
    return text;
}

} // namespace

TEST(SerialListener, PostsOneRegisteredMessagePerArrivalWithEventsAndUserValue) {
    CPtyPair pty;
    CQueueSink sink;
    CSerialWndAdapter port;
    ASSERT_EQ(port.OpenForWindowObject(pty.SlavePath().c_str(), &sink, 0, 0x1234), 0u);
    EXPECT_EQ(port.GetMessage(),
              CMessageRegistry::Instance().RegisterMessage("CSerialWnd_DefaultComMsg"));
    ASSERT_TRUE(pty.Send("a"));
    ASSERT_TRUE(sink.WaitForCount(1));
    EXPECT_EQ(ReadAll(port), "a");
    ASSERT_TRUE(pty.Send("b"));
    ASSERT_TRUE(sink.WaitForCount(2));
    EXPECT_EQ(ReadAll(port), "b");
    auto messages = sink.Messages();
    ASSERT_EQ(messages.size(), 2u);
    for (const PostedMessage& message : messages) {
        EXPECT_EQ(message.nMessage, SerialDefaultComMessage());
        EXPECT_EQ(message.wParam, EV_RXCHAR); // no line errors on a pseudo-terminal
        EXPECT_EQ(message.lParam, 0x1234);
    }
}

TEST(SerialListener, GivenMessageNumberIsPostedAndReopeningLeavesItAlone) {
    CPtyPair pty, other;
    CQueueSink sink, otherSink;
    CSerialWnd port;
    ASSERT_EQ(port.OpenForWindow(pty.SlavePath().c_str(), &sink, 0x8001, 7), 0u);
    EXPECT_EQ(port.OpenForWindow(other.SlavePath().c_str(), &otherSink, 0x8002, 8),
              kErrorAlreadyInitialized);
    EXPECT_EQ(port.GetMessage(), 0x8001u);
    EXPECT_EQ(port.GetUserValue(), 7);
    ASSERT_TRUE(pty.Send("x"));
    ASSERT_TRUE(sink.WaitForCount(1));
    EXPECT_EQ(sink.Messages()[0].nMessage, 0x8001u);
    EXPECT_EQ(sink.Messages()[0].lParam, 7);
    EXPECT_TRUE(otherSink.Messages().empty());
    EXPECT_EQ(port.ClosePort(), 0u);
    EXPECT_EQ(port.GetMessage(), 0u);
    EXPECT_EQ(port.GetUserValue(), 7);
}

TEST(SerialListener, UnreadBytesCauseNoFurtherWakeUps) {
    CPtyPair pty;
    CQueueSink sink;
    CCountingPort port;
    ASSERT_EQ(port.OpenForWindowObject(pty.SlavePath().c_str(), &sink, 0, 0), 0u);
    ASSERT_TRUE(pty.Send("nobody reads this"));
    ASSERT_TRUE(sink.WaitForCount(1));
    std::this_thread::sleep_for(seconds(1));
    EXPECT_EQ(sink.Messages().size(), 1u);
    // The first wait, and the one after the notification that is still blocked.
    EXPECT_LE(port.Waits(), 3);
}

TEST(SerialListener, EventsOutsideTheMaskPostNothingAndReapplyingTheMaskWakesQuietly) {
    CPtyPair pty;
    CQueueSink sink;
    CCountingPort port;
    ASSERT_EQ(port.OpenForWindowObject(pty.SlavePath().c_str(), &sink, 0, 0), 0u);
    ASSERT_TRUE(WaitUntil([&] { return port.Waits() >= 1; }));
    EXPECT_EQ(port.SetEventMask(EV_BREAK), 0u);
    ASSERT_TRUE(WaitUntil([&] { return port.Waits() >= 2; }));
    ASSERT_TRUE(pty.Send("ignored"));
    std::this_thread::sleep_for(milliseconds(300));
    EXPECT_TRUE(sink.Messages().empty());
    EXPECT_EQ(ReadAll(port), "ignored");

    EXPECT_EQ(port.SetEventMask(EV_RXCHAR), 0u);
    ASSERT_TRUE(pty.Send("seen"));
    ASSERT_TRUE(sink.WaitForCount(1));
    EXPECT_EQ(sink.Messages().size(), 1u);
    EXPECT_EQ(sink.Messages()[0].wParam, EV_RXCHAR);
}

TEST(SerialListener, ClosingWhileTheListenerWaitsReturnsPromptlyWithoutANotification) {
    CPtyPair pty;
    CQueueSink sink;
    CCountingPort port;
    ASSERT_EQ(port.OpenForWindowObject(pty.SlavePath().c_str(), &sink, 0, 0), 0u);
    ASSERT_TRUE(WaitUntil([&] { return port.Waits() >= 1; }));
    std::this_thread::sleep_for(milliseconds(50)); // well inside the wait
    auto start = steady_clock::now();
    EXPECT_EQ(port.ClosePort(), 0u);
    EXPECT_LT(duration_cast<milliseconds>(steady_clock::now() - start).count(), 100);
    EXPECT_FALSE(port.IsListening());
    EXPECT_FALSE(port.HasPort());
    EXPECT_TRUE(sink.Messages().empty());
    // The device is free again.
    EXPECT_EQ(CSerialLine::ProbePort(pty.SlavePath().c_str()), PortAvailable);
}

TEST(SerialListener, HangUpEndsTheThreadQuietlyAndCloseCleansUp) {
    CPtyPair pty;
    CQueueSink sink;
    CCountingPort port;
    ASSERT_EQ(port.OpenForWindowObject(pty.SlavePath().c_str(), &sink, 0, 0), 0u);
    ASSERT_TRUE(WaitUntil([&] { return port.Waits() >= 1; }));
    pty.CloseMaster();
    ASSERT_TRUE(WaitUntil([&] { return port.ListenerEnded(); }));
    EXPECT_EQ(port.ListenerExitCode(), kErrorGenFailure);
    std::this_thread::sleep_for(milliseconds(200));
    EXPECT_LE(port.Waits(), 2);
    EXPECT_TRUE(sink.Messages().empty());
    EXPECT_TRUE(port.IsListening()); // held until closed
    EXPECT_EQ(port.BeginListening(), 0u);
    EXPECT_EQ(port.ClosePort(), 0u);
    EXPECT_FALSE(port.IsListening());
    EXPECT_FALSE(port.HasPort());
}

TEST(SerialListener, OneThreadPerPortAndDestructionJoinsIt) {
    CPtyPair pty;
    CQueueSink sink;
    int before = ThreadCount();
    {
        CSerialWndAdapter port;
        ASSERT_EQ(port.OpenForWindowObject(pty.SlavePath().c_str(), &sink, 0, 0), 0u);
        EXPECT_EQ(ThreadCount(), before + 1);
        EXPECT_EQ(port.BeginListening(), 0u);
        EXPECT_EQ(ThreadCount(), before + 1);
    }
    EXPECT_EQ(ThreadCount(), before);
    EXPECT_EQ(CSerialLine::ProbePort(pty.SlavePath().c_str()), PortAvailable);
    {
        CSerialWndAdapter closed; // destroying an object that never opened does nothing
    }
}

TEST(SerialListener, NullWindowObjectOpensAndListensWithoutDelivering) {
    CPtyPair pty;
    CSerialWndAdapter port;
    ASSERT_EQ(port.OpenForWindowObject(pty.SlavePath().c_str(), nullptr, 0, 0), 0u);
    EXPECT_TRUE(port.IsListening());
    ASSERT_TRUE(pty.Send("data"));
    ASSERT_TRUE(WaitUntil([&] { return ReadAll(port) == "data"; }));
    EXPECT_EQ(port.ClosePort(), 0u);
}

// The update engine's use: open, 8N1 without handshaking, receive mask only, then read up to
// ten bytes per notification and answer with a write of time-out 0.
TEST(SerialListener, ConversationAsTheUpdateEngineHoldsIt) {
    CPtyPair pty;
    CQueueSink sink;
    CSerialWndAdapter port;
    ASSERT_EQ(port.OpenForWindowObject(pty.SlavePath().c_str(), &sink, 0, 0), 0u);
    EXPECT_EQ(port.ConfigureLine(38400, 8, NOPARITY, ONESTOPBIT), 0u);
    EXPECT_EQ(port.SetHandshaking(HandshakeOff), 0u);
    EXPECT_EQ(port.SetEventMask(EV_RXCHAR), 0u);

    std::thread device([&] {
        for (const char* chunk : {"boot", "loader ", "ready\r\n", "F"}) {
            pty.Send(chunk);
            std::this_thread::sleep_for(milliseconds(20));
        }
    });
    std::string received;
    std::size_t handled = 0;
    ASSERT_TRUE(WaitUntil([&] {
        if (sink.Messages().size() > handled) {
            ++handled;
            received += ReadAll(port);
        }
        return received == "bootloader ready\r\nF";
    }));
    device.join();
    std::uint32_t written = 0;
    EXPECT_EQ(port.WriteBytes("S00600004844521B\n", 17, &written, nullptr, 0), 0u);
    EXPECT_EQ(written, 17u);
    auto line = pty.Receive(17);
    EXPECT_EQ(std::string(line.begin(), line.end()), "S00600004844521B\n");
    EXPECT_EQ(port.PurgeBuffers(), 0u);
    EXPECT_EQ(port.ClosePort(), 0u);
}

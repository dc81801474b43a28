#include "platform/cmessageregistry.h"
#include "ptypair.h"
#include "serial/cserialwndadapter.h"

#include <gtest/gtest.h>

#include <future>
#include <memory>
#include <thread>

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
    }
    std::vector<PostedMessage> Messages() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_messages;
    }
    bool WaitForCount(std::size_t nCount) {
        return WaitUntil([&] { return Messages().size() >= nCount; });
    }

private:
    std::mutex m_mutex;
    std::vector<PostedMessage> m_messages;
};

// Opened on a fresh pseudo-terminal with a queue sink; counts the listener's wake-ups.
class CCountingPort : public CSerialWndAdapter {
public:
    CCountingPort(std::intptr_t nUserValue = 0) {
        m_nOpen = OpenForWindowObject(pty.SlavePath().c_str(), &sink, 0, nUserValue);
    }
    ~CCountingPort() override {
        FinishWithin(5, "closing the port stopping its listener", [this] { ClosePort(); });
    }
    std::uint32_t WaitForEvent(COverlapped* pOverlapped, std::uint32_t nTimeout) override {
        ++m_nWaits;
        return CSerialWndAdapter::WaitForEvent(pOverlapped, nTimeout);
    }
    int Waits() const { return m_nWaits.load(); }

    CPtyPair pty;
    CQueueSink sink;
    std::uint32_t m_nOpen = 0;

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

TEST(SerialListener, PostsOneRegisteredMessagePerArrivalAndNoWakeUpsForUnreadBytes) {
    CCountingPort port(0x1234);
    ASSERT_EQ(port.m_nOpen, 0u);
    EXPECT_EQ(port.GetMessage(),
              CMessageRegistry::Instance().RegisterMessage("CSerialWnd_DefaultComMsg"));
    std::size_t nPosted = 0;
    for (const char* pszArrival : {"a", "b"}) {
        ASSERT_TRUE(port.pty.Send(pszArrival));
        ASSERT_TRUE(port.sink.WaitForCount(++nPosted));
        EXPECT_EQ(ReadAll(port), pszArrival);
    }
    ASSERT_TRUE(port.pty.Send("nobody reads this"));
    ASSERT_TRUE(port.sink.WaitForCount(3));
    const int nWaits = port.Waits();
    std::this_thread::sleep_for(seconds(1));
    // At most the wait that was already under way when the notification went out.
    EXPECT_LE(port.Waits(), nWaits + 1);
    auto messages = port.sink.Messages();
    ASSERT_EQ(messages.size(), 3u);
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
    ASSERT_TRUE(pty.Send("x"));
    ASSERT_TRUE(sink.WaitForCount(1));
    EXPECT_EQ(sink.Messages()[0].nMessage, 0x8001u);
    EXPECT_EQ(sink.Messages()[0].lParam, 7);
    EXPECT_TRUE(otherSink.Messages().empty());
    FinishWithin(5, "closing the port stopping its listener",
                 [&] { EXPECT_EQ(port.ClosePort(), 0u); });
    EXPECT_EQ(port.GetMessage(), 0u);
    EXPECT_EQ(port.GetUserValue(), 7);
}

TEST(SerialListener, EventsOutsideTheMaskPostNothingAndReapplyingTheMaskWakesQuietly) {
    CCountingPort port;
    ASSERT_TRUE(WaitUntil([&] { return port.Waits() >= 1; }));
    EXPECT_EQ(port.SetEventMask(EV_BREAK), 0u);
    ASSERT_TRUE(WaitUntil([&] { return port.Waits() >= 2; }));
    ASSERT_TRUE(port.pty.Send("ignored"));
    std::this_thread::sleep_for(milliseconds(300));
    EXPECT_TRUE(port.sink.Messages().empty());
    EXPECT_EQ(ReadAll(port), "ignored");

    EXPECT_EQ(port.SetEventMask(EV_RXCHAR), 0u);
    ASSERT_TRUE(port.pty.Send("seen"));
    ASSERT_TRUE(port.sink.WaitForCount(1));
    EXPECT_EQ(port.sink.Messages().size(), 1u);
}

TEST(SerialListener, ClosingWhileTheListenerWaitsReturnsPromptlyWithoutANotification) {
    CCountingPort port;
    ASSERT_TRUE(WaitUntil([&] { return port.Waits() >= 1; }));
    std::this_thread::sleep_for(milliseconds(50)); // well inside the wait
    auto start = steady_clock::now();
    FinishWithin(5, "closing the port stopping its waiting listener",
                 [&] { EXPECT_EQ(port.ClosePort(), 0u); });
    EXPECT_LT(duration_cast<milliseconds>(steady_clock::now() - start).count(), 100);
    EXPECT_FALSE(port.IsListening());
    EXPECT_FALSE(port.HasPort());
    EXPECT_TRUE(port.sink.Messages().empty());
    EXPECT_EQ(CSerialLine::ProbePort(port.pty.SlavePath().c_str()), PortAvailable);
}

// A hang-up ends the thread with one word to the window, so it can say so at once; a close
// (above) says nothing.
TEST(SerialListener, HangUpEndsTheThreadWithOneLineGoneNoticeAndCloseCleansUp) {
    CCountingPort port;
    ASSERT_TRUE(WaitUntil([&] { return port.Waits() >= 1; }));
    port.pty.CloseMaster();
    ASSERT_TRUE(WaitUntil([&] { return port.ListenerEnded(); }));
    EXPECT_EQ(port.ListenerExitCode(), kErrorGenFailure);
    std::this_thread::sleep_for(milliseconds(200));
    EXPECT_LE(port.Waits(), 2);
    ASSERT_EQ(port.sink.Messages().size(), 1u);
    EXPECT_EQ(port.sink.Messages()[0].wParam, (kErrorGenFailure << 16) | kEventLineGone);
    EXPECT_TRUE(port.IsListening()); // held until closed
    EXPECT_EQ(port.BeginListening(), 0u);
    EXPECT_EQ(port.ClosePort(), 0u);
    EXPECT_FALSE(port.IsListening());
    EXPECT_FALSE(port.HasPort());
}

TEST(SerialListener, OneThreadPerPortDestructionJoinsItAndNoWindowIsNoCrash) {
    CPtyPair pty;
    // A sanitizer runtime starts a thread of its own at the first thread created: let that
    // happen first, so the counts below see only the listener.
    std::thread([] {}).join();
    int before = ThreadCount();
    auto pPort = std::make_unique<CSerialWndAdapter>();
    ASSERT_EQ(pPort->OpenForWindowObject(pty.SlavePath().c_str(), nullptr, 0, 0), 0u);
    EXPECT_EQ(ThreadCount(), before + 1);
    EXPECT_EQ(pPort->BeginListening(), 0u);
    EXPECT_EQ(ThreadCount(), before + 1);
    ASSERT_TRUE(pty.Send("data"));
    ASSERT_TRUE(WaitUntil([&] { return ReadAll(*pPort) == "data"; }));
    FinishWithin(5, "destroying the open port stopping its listener", [&] { pPort.reset(); });
    EXPECT_EQ(ThreadCount(), before);
    EXPECT_EQ(CSerialLine::ProbePort(pty.SlavePath().c_str()), PortAvailable);
    CSerialWndAdapter{}; // destroying an object that never opened does nothing
}

// Nobody waits for a write the device could not take at once: the listener hands the rest over
// as the device makes room, and the notifications go on meanwhile.
TEST(SerialListenerOutput, FinishesAQueuedWriteAsTheDeviceMakesRoom) {
    CCountingPort port;
    ASSERT_EQ(port.m_nOpen, 0u);
    std::string block(512 * 1024, '\0');
    for (std::size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<char>((i * 31 + i / 509) & 0xFF);
    std::uint32_t count = 0;
    auto write = std::async(std::launch::async, [&] {
        return port.WriteBytes(block.data(), block.size(), &count, nullptr, 0);
    });
    if (write.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
        port.pty.Receive(block.size()); // lets a blocked write go, so the test can end
        FAIL() << "a write with time-out 0 waited for the device";
    }
    ASSERT_EQ(write.get(), 0u);
    ASSERT_GT(port.QueuedOutput(), 0u);
    ASSERT_TRUE(port.pty.Send("r"));
    ASSERT_TRUE(port.sink.WaitForCount(1)); // a stalled write stops no notification
    EXPECT_EQ(port.pty.Receive(block.size()), block);
    EXPECT_TRUE(WaitUntil([&] { return port.QueuedOutput() == 0; }));
}

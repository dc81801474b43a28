#include "sim/ctargetsimulator.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace vantoro {

namespace {

constexpr auto kNobodyOnLinePause = std::chrono::milliseconds(20);
constexpr auto kLingerAfterDone = std::chrono::seconds(2);
constexpr int kOpenSettleMs = 100;
constexpr auto kSleepSlice = std::chrono::milliseconds(50);
// Noise never holds a line feed, so it cannot complete a detection text by itself.
constexpr char kNoiseAlphabet[] = "abdfghijkmnopqrstuvwxyz0123456789 .:-#";

bool MakeRaw(int nFd) {
    termios tio{};
    if (::tcgetattr(nFd, &tio) != 0) {
        return false;
    }
    ::cfmakeraw(&tio);
    return ::tcsetattr(nFd, TCSANOW, &tio) == 0;
}

} // namespace

CTargetSimulator::CTargetSimulator(SimOptions options)
    : m_options(std::move(options)), m_checker(m_options.nAddressLow, m_options.nAddressHigh) {
    if (m_options.nBaud > 0) {
        m_byteTime = std::chrono::nanoseconds(10'000'000'000LL / m_options.nBaud);
    }
}

CTargetSimulator::~CTargetSimulator() {
    if (!m_strLinkPath.empty()) {
        char target[4096];
        const ssize_t n = ::readlink(m_strLinkPath.c_str(), target, sizeof(target) - 1);
        if (n > 0 && std::string(target, static_cast<std::size_t>(n)) == m_strDevicePath) {
            ::unlink(m_strLinkPath.c_str());
        }
    }
}

bool CTargetSimulator::Open(std::string& strError) {
    m_wakeup.Reset(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    if (!m_wakeup.IsValid()) {
        strError = "cannot create an eventfd";
        return false;
    }
    if (!m_options.strDevice.empty()) {
        m_master.Reset(
            ::open(m_options.strDevice.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
        if (!m_master.IsValid()) {
            strError = "cannot open " + m_options.strDevice;
            return false;
        }
        if (::isatty(m_master.Get())) {
            MakeRaw(m_master.Get());
        }
        m_strDevicePath = m_options.strDevice;
        return WatchForOpens(strError);
    }
    m_master.Reset(::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC));
    char name[256];
    if (!m_master.IsValid() || ::grantpt(m_master.Get()) != 0 || ::unlockpt(m_master.Get()) != 0 ||
        ::ptsname_r(m_master.Get(), name, sizeof(name)) != 0) {
        strError = "cannot create a pseudo-terminal";
        return false;
    }
    ::fcntl(m_master.Get(), F_SETFL, ::fcntl(m_master.Get(), F_GETFL) | O_NONBLOCK);
    m_strDevicePath = name;
    // The line is raw from the start: no echo, no translation of line ends in either direction.
    CFileDescriptor slave(::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC));
    if (!slave.IsValid() || !MakeRaw(slave.Get())) {
        strError = "cannot set up " + m_strDevicePath;
        return false;
    }
    if (!m_options.strLinkFolder.empty()) {
        ::mkdir(m_options.strLinkFolder.c_str(), 0755);
        const std::string strLink =
            m_options.strLinkFolder + "/com" + std::to_string(m_options.nLinkCom);
        struct stat st {};
        if (::lstat(strLink.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
            ::unlink(strLink.c_str());
        }
        if (::symlink(m_strDevicePath.c_str(), strLink.c_str()) != 0) {
            strError = "cannot create the link " + strLink;
            return false;
        }
        m_strLinkPath = strLink;
    }
    return WatchForOpens(strError);
}

bool CTargetSimulator::WatchForOpens(std::string& strError) {
    if (m_options.nPowerOnWhenOpenedMs < 0) {
        return true; // an empty holder polls as nothing
    }
    m_openWatch.Reset(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
    if (!m_openWatch.IsValid() ||
        ::inotify_add_watch(m_openWatch.Get(), m_strDevicePath.c_str(),
                            IN_OPEN | IN_CLOSE_WRITE | IN_CLOSE_NOWRITE) < 0) {
        strError = "cannot watch " + m_strDevicePath + " for opens";
        return false;
    }
    return true;
}

void CTargetSimulator::Wake() {
    const std::uint64_t nOne = 1;
    if (::write(m_wakeup.Get(), &nOne, sizeof(nOne)) < 0) {
        // the counter is already non-zero: the loop wakes anyway
    }
}

void CTargetSimulator::PowerOn() {
    m_bPowerOnRequested = true;
    Wake();
}

void CTargetSimulator::PowerOff() {
    m_bPowerOffRequested = true;
    Wake();
}

void CTargetSimulator::Stop() {
    m_bStopRequested = true;
    Wake();
}

bool CTargetSimulator::ShouldStop() const {
    return m_bStopRequested.load();
}

void CTargetSimulator::HandleCommands() {
    std::uint64_t nCount = 0;
    while (::read(m_wakeup.Get(), &nCount, sizeof(nCount)) > 0) {
    }
    if (m_bPowerOffRequested.exchange(false) && m_state != HungUp) {
        m_state = Off;
    }
    if (m_bPowerOnRequested.exchange(false) && m_state != HungUp) {
        Boot();
    }
}

int CTargetSimulator::Run() {
    // Paced replies must leave on time: no timer slack for this thread.
    ::prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
    if (m_options.nPowerOnDelayMs >= 0) {
        m_powerAt = Clock::now() + std::chrono::milliseconds(m_options.nPowerOnDelayMs);
    }
    char buffer[4096];
    std::optional<Clock::time_point> lingerUntil;
    while (!ShouldStop()) {
        int nTimeout = -1;
        if (m_powerAt) {
            const auto left =
                std::chrono::ceil<std::chrono::milliseconds>(*m_powerAt - Clock::now());
            nTimeout = static_cast<int>(std::max<long long>(0, left.count()));
        }
        if (lingerUntil) {
            nTimeout = 100;
        }
        pollfd fds[3] = {{m_wakeup.Get(), POLLIN, 0},
                         {m_openWatch.Get(), POLLIN, 0},
                         {m_master.Get(), POLLIN, 0}};
        const nfds_t nFds = m_master.IsValid() ? 3 : 2;
        if (::poll(fds, nFds, nTimeout) < 0 && errno != EINTR) {
            return 1;
        }
        if (fds[0].revents & POLLIN) {
            HandleCommands();
        }
        if (fds[1].revents & POLLIN) {
            WatchOpens();
        }
        if (m_powerAt && Clock::now() >= *m_powerAt) {
            m_powerAt.reset();
            if (m_state != HungUp) {
                Boot(); // a line that was hung up stays dead
            }
        }
        if (nFds == 3 && m_master.IsValid() && fds[2].revents != 0) {
            const ssize_t nRead = ::read(m_master.Get(), buffer, sizeof(buffer));
            if (nRead > 0) {
                PaceReceived(static_cast<std::size_t>(nRead));
                Receive(buffer, static_cast<std::size_t>(nRead));
            } else if (nRead < 0 && errno != EAGAIN && errno != EINTR) {
                if (m_options.bExitWhenDone && m_state == Done) {
                    break; // the program has closed the line after the last reply
                }
                // Nobody has the line open: wait for the program to open it again.
                std::this_thread::sleep_for(kNobodyOnLinePause);
            }
        }
        if (m_options.bExitWhenDone && m_state == HungUp) {
            break;
        }
        if (m_options.bExitWhenDone && m_state == Done) {
            // Closing our end now could drop the last reply before the program has read it.
            if (!lingerUntil) {
                lingerUntil = Clock::now() + kLingerAfterDone;
            } else if (Clock::now() >= *lingerUntil) {
                break;
            }
        }
    }
    WriteOutputs();
    return 0;
}

void CTargetSimulator::WatchOpens() {
    // Opens and closes of the device node, as the file system reports them: a close and a quick
    // reopen between two cycles is never missed, as it could be by watching the line itself.
    alignas(inotify_event) char events[4096];
    ssize_t nRead;
    while ((nRead = ::read(m_openWatch.Get(), events, sizeof(events))) > 0) {
        for (char* p = events; p < events + nRead;) {
            const auto* pEvent = reinterpret_cast<const inotify_event*>(p);
            // Only the first opener switches the equipment on: another program trying the line
            // while it is held (and refused as In Use) must not power-cycle it mid-update.
            if ((pEvent->mask & IN_OPEN) && m_nOpenCount++ == 0) {
                // Switched on once the program has settled on the line: a port check opens and
                // closes it just before the real open, and the set-up follows the open.
                m_powerAt = Clock::now() + std::chrono::milliseconds(std::max(
                                               m_options.nPowerOnWhenOpenedMs, kOpenSettleMs));
            }
            if (pEvent->mask & (IN_CLOSE_WRITE | IN_CLOSE_NOWRITE)) {
                m_nOpenCount = std::max(0, m_nOpenCount - 1);
                if (m_nOpenCount == 0) {
                    m_powerAt.reset();
                    if (m_state != HungUp) {
                        m_state = Off; // switched off until the next cycle opens the line
                    }
                }
            }
            p += sizeof(inotify_event) + pEvent->len;
        }
    }
}

void CTargetSimulator::Boot() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_strReceived.clear();
        m_image.Clear();
    }
    m_nRecords = 0;
    m_strLine.clear();
    m_strHandshakeTail.clear();
    ++m_nPowerOns;
    m_state = WaitHandshake;
    std::string strNoise;
    for (int i = 0; i < m_options.nNoise; ++i) {
        m_nNoiseSeed = m_nNoiseSeed * 1103515245u + 12345u;
        strNoise.push_back(kNoiseAlphabet[(m_nNoiseSeed >> 16) % (sizeof(kNoiseAlphabet) - 1)]);
    }
    const std::string& strDetect = m_options.strDetect;
    if (m_options.nSplitDetectMs >= 0 && strDetect.size() > 1) {
        const std::size_t nHalf = strDetect.size() / 2;
        Send(strNoise + strDetect.substr(0, nHalf));
        SleepUntil(Clock::now() + std::chrono::milliseconds(m_options.nSplitDetectMs));
        Send(strDetect.substr(nHalf));
    } else {
        Send(strNoise + strDetect);
    }
}

void CTargetSimulator::PaceReceived(std::size_t nBytes) {
    if (m_options.nBaud <= 0) {
        return;
    }
    const Clock::time_point now = Clock::now();
    m_rxFreeAt = std::max(m_rxFreeAt, now) + m_byteTime * static_cast<long long>(nBytes);
}

void CTargetSimulator::Receive(const char* pData, std::size_t nLength) {
    for (std::size_t i = 0; i < nLength && m_master.IsValid(); ++i) {
        ++m_nBytesReceived;
        if (m_options.nHangupAtByte > 0 && m_nBytesReceived >= m_options.nHangupAtByte) {
            HangUp();
            return;
        }
        const char c = pData[i];
        if (m_state == WaitHandshake) {
            m_strHandshakeTail.push_back(c);
            if (m_strHandshakeTail.size() > m_options.strHandshake.size()) {
                m_strHandshakeTail.erase(0, 1);
            }
            if (m_strHandshakeTail == m_options.strHandshake) {
                m_state = Programming;
                m_strLine.clear();
                SendAck();
            }
        } else if (m_state == Programming) {
            if (c == '\n') {
                ReceiveLine();
            } else {
                m_strLine.push_back(c);
            }
        }
    }
}

void CTargetSimulator::ReceiveLine() {
    const int nRecord = ++m_nRecords;
    const SRecordCheck check = m_checker.Check(m_strLine);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_strReceived.append(m_strLine).push_back('\n');
        if (check.cReply == 'C' && !check.data.empty()) {
            m_image.Program(check.nAddress, check.data);
        }
    }
    m_strLine.clear();
    if (m_options.nHangupAtRecord == nRecord) {
        HangUp();
        return;
    }
    if (m_options.nSilentFrom > 0 && nRecord >= m_options.nSilentFrom) {
        return;
    }
    const auto it = m_options.replyAt.find(nRecord);
    const std::string strReplies =
        it != m_options.replyAt.end() ? it->second : std::string(1, check.cReply);
    Reply(strReplies);
    if (!strReplies.empty() && strReplies.back() == '+') {
        m_state = Done;
        WriteOutputs();
    }
}

// In one write, so that a stray byte and the 'F' can reach the program in a single read.
void CTargetSimulator::SendAck() {
    if (m_options.nReplyDelayMs > 0) {
        SleepUntil(Clock::now() + std::chrono::milliseconds(m_options.nReplyDelayMs));
    }
    Send(m_options.strAck);
}

void CTargetSimulator::Reply(const std::string& strReplies) {
    for (std::size_t i = 0; i < strReplies.size() && !ShouldStop(); ++i) {
        if (i > 0) {
            SleepUntil(Clock::now() + std::chrono::milliseconds(m_options.nReplyGapMs));
        }
        if (m_options.nReplyDelayMs > 0) {
            SleepUntil(Clock::now() + std::chrono::milliseconds(m_options.nReplyDelayMs));
        }
        Send(std::string(1, strReplies[i]));
    }
}

void CTargetSimulator::Send(const std::string& strData) {
    if (m_options.nBaud > 0) {
        // The line is half duplex in practice: a reply starts once the record has come in, and
        // reaches the other end when its last bit has gone out. One sleep per reply keeps the
        // timer's overshoot from adding up twice.
        const Clock::time_point start = std::max(Clock::now(), m_rxFreeAt);
        SleepUntil(start + m_byteTime * static_cast<long long>(strData.size()));
    }
    std::size_t nDone = 0;
    while (nDone < strData.size() && m_master.IsValid()) {
        const ssize_t n = ::write(m_master.Get(), strData.data() + nDone, strData.size() - nDone);
        if (n > 0) {
            nDone += static_cast<std::size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && errno == EAGAIN) {
            pollfd fd{m_master.Get(), POLLOUT, 0};
            if (::poll(&fd, 1, 100) < 0 && errno != EINTR) {
                return;
            }
            if (ShouldStop()) {
                return;
            }
        } else {
            return; // nobody on the line: the bytes are lost, as on a real wire
        }
    }
}

void CTargetSimulator::SleepUntil(Clock::time_point when) const {
    // Slept in slices, so that Stop() is never kept waiting by a long delay.
    while (!ShouldStop()) {
        const Clock::time_point now = Clock::now();
        if (now >= when) {
            return;
        }
        std::this_thread::sleep_until(std::min<Clock::time_point>(when, now + kSleepSlice));
    }
}

void CTargetSimulator::HangUp() {
    m_master.Reset();
    m_state = HungUp;
}

std::string CTargetSimulator::GetReceived() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_strReceived;
}

std::vector<std::uint8_t> CTargetSimulator::GetImage() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_image.Contiguous();
}

bool CTargetSimulator::WriteOutputs() const {
    bool bOk = true;
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_options.strReceivedFile.empty()) {
        std::FILE* pFile = std::fopen(m_options.strReceivedFile.c_str(), "wb");
        bOk = pFile != nullptr && std::fwrite(m_strReceived.data(), 1, m_strReceived.size(),
                                              pFile) == m_strReceived.size();
        if (pFile != nullptr && std::fclose(pFile) != 0) {
            bOk = false;
        }
    }
    if (!m_options.strImageFile.empty()) {
        bOk = m_image.WriteBinary(m_options.strImageFile) && bOk;
    }
    return bOk;
}

} // namespace vantoro

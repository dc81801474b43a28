#pragma once

#include <atomic>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <string>
#include <thread>
#include <unistd.h>

namespace vantoro {

// Equipment that stops taking bytes the moment programming starts: it answers the detection and
// the handshake, then stops reading, fills the line until the program's side can write nothing
// more, and sends 'F'. Record 1 then meets a full line. Release() reads everything from then on,
// so a writer that did block is let go again (a test's bounded wait uses it).
class CStallingDevice {
public:
    // Linked as strLink (a dosdevices comN name). The line is filled through a second opening
    // of it, held from the start since the program then opens it for exclusive use. A program
    // in another process (vantoro-cli) refuses a line some other process holds, so for it
    // bOpenLate leaves the second opening until PowerOn, after the program has the line; an
    // exclusive line then opens again only with CAP_SYS_ADMIN (as root in the test machines).
    explicit CStallingDevice(const std::string& strLink, bool bOpenLate = false) {
        int slave = -1;
        char name[256] = {};
        if (::openpty(&m_master, &slave, name, nullptr, nullptr) != 0)
            return;
        ::close(slave);
        m_strSlave = name;
        // Held from the start: the program opens the line for exclusive use.
        if (!bOpenLate)
            m_filler = OpenFiller();
        ::unlink(strLink.c_str());
        m_bValid = (bOpenLate || m_filler >= 0) && ::symlink(name, strLink.c_str()) == 0;
    }
    ~CStallingDevice() {
        m_bStop = true;
        if (m_thread.joinable())
            m_thread.join();
        if (m_filler >= 0)
            ::close(m_filler);
        if (m_master >= 0)
            ::close(m_master);
    }
    CStallingDevice(const CStallingDevice&) = delete;
    CStallingDevice& operator=(const CStallingDevice&) = delete;

    bool IsValid() const { return m_bValid; }
    const std::string& SlavePath() const { return m_strSlave; }
    // True once the line is full and 'F' went out.
    bool IsStalled() const { return m_bStalled; }

    // The equipment is switched on: detection "\n", then the rest on a thread of its own.
    void PowerOn(const std::string& strHandshake = "QduKanZ") {
        if (m_filler < 0)
            m_filler = OpenFiller();
        m_thread = std::thread([this, strHandshake] { Converse(strHandshake); });
    }

    void Release() { m_bRelease = true; }

private:
    void Converse(const std::string& strHandshake) {
        Send("\n");
        std::string got;
        while (!m_bStop && got.find(strHandshake) == std::string::npos)
            got += ReadSome(20);
        // Nothing is read from here on: the line fills up behind the program's writes.
        // The kernel moves bytes on between its buffers a little later, so the line counts as
        // full only once it stays without room for a while.
        char block[4096] = {};
        pollfd room{m_filler, POLLOUT, 0};
        do {
            while (!m_bStop && ::write(m_filler, block, sizeof block) > 0) {
            }
        } while (!m_bStop && ::poll(&room, 1, 200) > 0);
        Send("F");
        m_bStalled = true;
        while (!m_bStop) {
            if (m_bRelease)
                ReadSome(20);
            else
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
    int OpenFiller() const {
        return ::open(m_strSlave.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    }
    void Send(const std::string& data) {
        for (std::size_t done = 0; done < data.size() && !m_bStop;) {
            ssize_t n = ::write(m_master, data.data() + done, data.size() - done);
            if (n > 0)
                done += static_cast<std::size_t>(n);
            else if (errno != EINTR && errno != EAGAIN)
                return;
        }
    }
    std::string ReadSome(int nMillis) {
        pollfd pfd{m_master, POLLIN, 0};
        char buffer[4096];
        if (::poll(&pfd, 1, nMillis) <= 0)
            return {};
        ssize_t n = ::read(m_master, buffer, sizeof buffer);
        return n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : std::string();
    }

    int m_master = -1;
    int m_filler = -1;
    std::string m_strSlave;
    bool m_bValid = false;
    std::atomic<bool> m_bStop{false};
    std::atomic<bool> m_bRelease{false};
    std::atomic<bool> m_bStalled{false};
    std::thread m_thread;
};

} // namespace vantoro

#pragma once

#include "testmain/boundedwait.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <poll.h>
#include <pty.h>
#include <string>
#include <thread>
#include <unistd.h>

// A pseudo-terminal for serial tests: the port classes open the slave by its path, the test plays
// the device on the master side.
class CPtyPair {
public:
    CPtyPair() {
        int slave = -1;
        char name[256] = {};
        // Left in cooked mode: raw mode is the port's own job.
        if (::openpty(&m_master, &slave, name, nullptr, nullptr) == 0) {
            m_strSlave = name;
            ::close(slave); // the port under test is the only opener of the slave
        }
    }
    ~CPtyPair() { CloseMaster(); }
    CPtyPair(const CPtyPair&) = delete;
    CPtyPair& operator=(const CPtyPair&) = delete;

    bool IsValid() const { return m_master >= 0 && !m_strSlave.empty(); }
    const std::string& SlavePath() const { return m_strSlave; }
    int MasterFd() const { return m_master; }

    // The device goes away: the slave sees a hang-up.
    void CloseMaster() {
        if (m_master >= 0)
            ::close(m_master);
        m_master = -1;
    }

    bool Send(const std::string& data) const {
        for (std::size_t done = 0; done < data.size();) {
            ssize_t n = ::write(m_master, data.data() + done, data.size() - done);
            if (n < 0 && errno != EINTR && errno != EAGAIN)
                return false;
            done += n > 0 ? static_cast<std::size_t>(n) : 0;
        }
        return true;
    }

    // Reads until nCount bytes arrived or nothing came for two seconds.
    std::string Receive(std::size_t nCount) const {
        std::string data;
        char buffer[4096];
        pollfd pfd{m_master, POLLIN, 0};
        while (data.size() < nCount && ::poll(&pfd, 1, 2000) > 0) {
            ssize_t n = ::read(m_master, buffer, std::min(sizeof buffer, nCount - data.size()));
            if (n <= 0)
                break;
            data.append(buffer, static_cast<std::size_t>(n));
        }
        return data;
    }

private:
    int m_master = -1;
    std::string m_strSlave;
};

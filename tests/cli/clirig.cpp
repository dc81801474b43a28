#include "clirig.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <sstream>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace vantoro {

namespace {

std::vector<std::string>& ProgramCommand() {
    static std::vector<std::string> command;
    return command;
}

} // namespace

void CCliRig::SetProgramCommand(std::vector<std::string> command) {
    ProgramCommand() = std::move(command);
}

CCliRig::CCliRig() : m_strCode(m_tmp / "code/") {
    test::MakeFolder(m_strCode);
    test::MakeFolder(DosDevices());
    WriteSettings();
}

CCliRig::~CCliRig() {
    if (m_child > 0) {
        ::kill(m_child, SIGKILL);
        ::waitpid(m_child, nullptr, 0);
    }
    for (SimThread& sim : m_sims) {
        sim.pSim->Stop();
        sim.thread.join();
    }
}

CTargetSimulator& CCliRig::AddSim(int nCom, SimOptions options) {
    options.strLinkFolder = DosDevices();
    options.nLinkCom = nCom;
    if (options.nReplyGapMs == SimOptions().nReplyGapMs)
        options.nReplyGapMs = 0;
    auto pSim = std::make_unique<CTargetSimulator>(options);
    std::string strError;
    if (!pSim->Open(strError)) {
        std::fprintf(stderr, "simulator: %s\n", strError.c_str());
        std::abort();
    }
    CTargetSimulator* pRaw = pSim.get();
    m_sims.push_back({nCom, std::move(pSim), std::thread([pRaw] { pRaw->Run(); })});
    return *pRaw;
}

CTargetSimulator& CCliRig::Sim(int nCom) {
    for (SimThread& sim : m_sims) {
        if (sim.nCom == nCom)
            return *sim.pSim;
    }
    std::abort();
}

void CCliRig::Unplug(int nCom) {
    for (auto it = m_sims.begin(); it != m_sims.end(); ++it) {
        if (it->nCom == nCom) {
            it->pSim->Stop();
            it->thread.join();
            m_sims.erase(it); // closes the pseudo-terminal's master side, removes the link
            return;
        }
    }
    std::abort();
}

void CCliRig::WriteSettings(const std::string& strAppLines) {
    test::WriteTextFile(SettingsPath(), "[APP]\n" + strAppLines +
                                            "[PLATFORM_SALTIR]\nWORKING_DIRECTORY=" + m_strCode +
                                            "\n");
}

std::string CCliRig::WriteCodeFile(const std::string& strName, int nRecords) {
    std::string strFile;
    for (int n = 0; n < nRecords; ++n) {
        const unsigned nAddress = static_cast<unsigned>(n * 4);
        const unsigned bytes[] = {7,  nAddress >> 8 & 0xFF,           nAddress & 0xFF, 1u, 2u,
                                  3u, static_cast<unsigned>(n & 0xFF)};
        unsigned nSum = 0;
        char szHex[3];
        strFile += "S1";
        for (unsigned nByte : bytes) {
            nSum += nByte;
            std::snprintf(szHex, sizeof(szHex), "%02X", nByte);
            strFile += szHex;
        }
        std::snprintf(szHex, sizeof(szHex), "%02X", ~nSum & 0xFF);
        strFile += std::string(szHex) + "\n";
    }
    strFile += "S9030000FC\n";
    const std::string strPath = strName[0] == '/' ? strName : m_strCode + strName;
    test::WriteTextFile(strPath, strFile);
    return strPath;
}

std::vector<std::string> CCliRig::Update(std::vector<std::string> extra) {
    std::vector<std::string> args = {"update", "--product", "Saltir Series", "--model",
                                     "Saltir 24"};
    args.insert(args.end(), extra.begin(), extra.end());
    return args;
}

void CCliRig::Start(const std::vector<std::string>& args, const CliLaunch& launch) {
    std::vector<std::string> all = ProgramCommand();
    if (all.empty())
        all.push_back(std::string(std::getenv("VANTORO_BUILD_DIR")) + "/vantoro-cli");
    const std::string strProgram = all.front();
    all.insert(all.end(), {"--settings", SettingsPath()});
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& strArg : all)
        argv.push_back(strArg.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    if (launch.nStdout >= 0)
        posix_spawn_file_actions_adddup2(&actions, launch.nStdout, 1);
    else
        posix_spawn_file_actions_addopen(&actions, 1, (m_tmp / "stdout").c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (launch.nStderr >= 0)
        posix_spawn_file_actions_adddup2(&actions, launch.nStderr, 2);
    else
        posix_spawn_file_actions_addopen(&actions, 2, (m_tmp / "stderr").c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
    // The child starts with no signal blocked, whatever this process's threads block.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);
    // Every other signal starts at its default; an ignored one stays ignored across exec.
    sigset_t defaults;
    sigfillset(&defaults);
    std::vector<struct sigaction> saved(launch.ignored.size());
    for (std::size_t i = 0; i < launch.ignored.size(); ++i) {
        sigdelset(&defaults, launch.ignored[i]);
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        ::sigaction(launch.ignored[i], &ignore, &saved[i]);
    }
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    if (posix_spawn(&m_child, strProgram.c_str(), &actions, &attributes, argv.data(), environ) != 0)
        m_child = -1;
    for (std::size_t i = 0; i < launch.ignored.size(); ++i)
        ::sigaction(launch.ignored[i], &saved[i], nullptr);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
}

std::string CCliRig::Output() const {
    return test::ReadTextFile(m_tmp / "stdout");
}

CCliRig::Result CCliRig::WaitForEnd(int nTimeoutMillis) {
    Result result;
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(nTimeoutMillis);
    int nWaitStatus = 0;
    while (m_child > 0) {
        const pid_t ended = ::waitpid(m_child, &nWaitStatus, WNOHANG);
        if (ended == m_child) {
            result.nStatus = WIFEXITED(nWaitStatus) ? WEXITSTATUS(nWaitStatus) : -1;
            m_child = -1;
            break;
        }
        if (std::chrono::steady_clock::now() >= deadline)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    result.strOut = Output();
    result.strErr = test::ReadTextFile(m_tmp / "stderr");
    return result;
}

bool CCliRig::IsRunning() const {
    // Looked at without reaping it, so WaitForEnd still gets its status.
    siginfo_t info{};
    return m_child > 0 &&
           ::waitid(P_PID, static_cast<id_t>(m_child), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
           info.si_pid == 0;
}

CCliRig::Result CCliRig::Run(const std::vector<std::string>& args, int nTimeoutMillis) {
    Start(args);
    return WaitForEnd(nTimeoutMillis);
}

CCliRig::Result CCliRig::Interrupt(int nTimeoutMillis) {
    return Signal(SIGINT, nTimeoutMillis);
}

CCliRig::Result CCliRig::Signal(int nSignal, int nTimeoutMillis) {
    if (m_child > 0)
        ::kill(m_child, nSignal);
    return WaitForEnd(nTimeoutMillis);
}

bool CanTakePort(const std::string& strDevice) {
    const int nFd = ::open(strDevice.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (nFd < 0)
        return false;
    const bool bFree = ::flock(nFd, LOCK_EX | LOCK_NB) == 0;
    ::close(nFd);
    return bFree;
}

std::string CommandOutput(const std::string& strCommand) {
    std::string strOut;
    std::FILE* pPipe = ::popen(strCommand.c_str(), "r");
    if (!pPipe)
        return strOut;
    char szBuffer[4096];
    for (std::size_t n; (n = std::fread(szBuffer, 1, sizeof(szBuffer), pPipe)) > 0;)
        strOut.append(szBuffer, n);
    ::pclose(pPipe);
    return strOut;
}

std::vector<std::string> LinesOf(const std::string& strText) {
    std::vector<std::string> lines;
    std::istringstream in(strText);
    for (std::string strLine; std::getline(in, strLine);)
        lines.push_back(strLine);
    return lines;
}

} // namespace vantoro

#pragma once

#include "platform/testtempfolder.h"
#include "sim/ctargetsimulator.h"

#include <chrono>
#include <memory>
#include <string>
#include <sys/types.h>
#include <thread>
#include <vector>

namespace vantoro {

// How the program is started: standard output to a descriptor of the test's own (a pipe, a
// terminal) instead of a file, and signals ignored from the start as nohup ignores them.
struct CliLaunch {
    int nStdout = -1;
    std::vector<int> ignored;
    int nStderr = -1;
};

// The real vantoro-cli run as a child process against simulated equipment on pseudo-terminals,
// each linked as a COM number in the rig's own dosdevices folder beside its settings file.
class CCliRig {
public:
    struct Result {
        int nStatus = -1; // exit status; -1 when the program did not end in time
        std::string strOut;
        std::string strErr;
    };

    CCliRig();
    ~CCliRig();

    // Equipment linked as COM nCom; Saltir's detection text, replies without pauses.
    CTargetSimulator& AddSim(int nCom, SimOptions options = SimOptions());
    CTargetSimulator& Sim(int nCom);
    // The equipment's adapter pulled: its pseudo-terminal hangs up and its link goes.
    void Unplug(int nCom);

    // A settings file of these [APP] lines, with Saltir's folder set to Code().
    void WriteSettings(const std::string& strAppLines = "");
    // A code file of nRecords S1 records and an S9, in Code() unless strPath is absolute.
    std::string WriteCodeFile(const std::string& strName, int nRecords);

    // "update --product "Saltir Series" --model "Saltir 24"" plus extra, with the rig's settings.
    static std::vector<std::string> Update(std::vector<std::string> extra);

    // Another build of the program to run instead, as a command line (Windows' under Wine).
    static void SetProgramCommand(std::vector<std::string> command);

    // Runs the program with these arguments (the rig's --settings added) until it ends.
    Result Run(const std::vector<std::string>& args, int nTimeoutMillis = 30000);
    // Starts it and returns at once; Output() reads what it printed so far.
    void Start(const std::vector<std::string>& args, const CliLaunch& launch = CliLaunch());
    // True while the program has not ended.
    bool IsRunning() const;
    std::string Output() const;
    // SIGINT, then its end.
    Result Interrupt(int nTimeoutMillis = 10000);
    // Any signal, then its end.
    Result Signal(int nSignal, int nTimeoutMillis = 10000);
    Result WaitForEnd(int nTimeoutMillis);

    const std::string& Code() const { return m_strCode; }
    const std::string& Folder() const { return m_tmp.Path(); }
    std::string SettingsPath() const { return m_tmp / "vantoro.INI"; }
    std::string DosDevices() const { return m_tmp / "dosdevices"; }

private:
    test::CTempFolder m_tmp;
    std::string m_strCode;
    struct SimThread {
        int nCom;
        std::unique_ptr<CTargetSimulator> pSim;
        std::thread thread;
    };
    std::vector<SimThread> m_sims;
    pid_t m_child = -1;
};

// True when a process could take the device for itself now: open, flock and nothing holding it.
bool CanTakePort(const std::string& strDevice);

// Lines of a text, without their line feeds.
std::vector<std::string> LinesOf(const std::string& strText);

// What a shell command prints on standard output.
std::string CommandOutput(const std::string& strCommand);

// Polls in small steps; false when the condition did not hold within nMillis.
template <typename Condition> bool Within(int nMillis, Condition condition) {
    for (int i = 0; i < nMillis / 10 && !condition(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return condition();
}

} // namespace vantoro

#pragma once

#include "cli/clioptions.h"
#include "session/cupdatesession.h"

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace vantoro {

struct CUnitSetup;

// vantoro-cli: reads the window's settings file, lists the ports as the window lists them,
// chooses product, model and software as the window chooses them, and hands each port to an
// update run. Every argument is checked against the catalogue and the machine before any port
// is opened.
class CCliApp {
public:
    // strExePath: this program's path; the window's settings file is the one beside it.
    CCliApp(std::string strExePath, std::FILE* pOut = stdout, std::FILE* pErr = stderr);
    ~CCliApp();

    // Runs the command line (arguments after the program name); returns the exit status.
    int Run(const std::vector<std::string>& args);

private:
    int RunCommand(const std::vector<std::string>& args);
    // Standard output that could not be written (a full disk, a failing device) turns a
    // successful status into a failure, with a message; a reader that went away does not.
    int FinishOutput(int nStatus) const;
    int BadArguments(const std::string& strMessage) const;
    void OpenSession();
    int ListPorts();
    int ListSoftware();
    int Update();
    int CheckFiles();
    // The file check before any port is opened: false (after saying why on standard error)
    // when the file must not be sent.
    bool PreCheckFile(const std::string& strFile);
    // --product and --model, then --dir or --file, and the software list they give; false
    // after reporting what is wrong.
    bool ChooseSoftware(bool bNeedFiles, int& nStatus, CSoftwareRefresh& refresh);
    // The --port arguments as listed ports; false after reporting what is wrong.
    bool ResolvePorts(std::vector<ComPortEntry>& ports, int& nStatus);

    std::string m_strExePath;
    std::FILE* m_pOut;
    std::FILE* m_pErr;
    CliOptions m_options;
    std::unique_ptr<CUpdateSession> m_pSession;
    bool m_bPortsFound = false;
    int m_nOutputError = 0; // of the update's output, written by a thread of its own
};

} // namespace vantoro

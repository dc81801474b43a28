#include "cli/ccliapp.h"

#include "catalogue/cstringtable.h"
#include "catalogue/softwarepatterns.h"
#include "cli/clitext.h"
#include "cli/cupdaterun.h"
#include "cli/cverdictoutput.h"
#include "serial/comportdiscovery.h"
#include "serial/comportnames.h"
#include "serial/networkportname.h"
#include "serial/networkportnumber.h"
#include "serial/terminaldevice.h"
#include "settings/capppaths.h"
#include "settings/cbuildidentity.h"
#include "srecord/cfilecheck.h"

#include "platform/cregularfile.h"
#include "platform/fspath.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

namespace vantoro {

namespace {

// The window's executable, whose settings file the command line shares.
constexpr const char kWindowProgram[] = "vantoro";

std::string QuotedList(const std::vector<std::string>& names) {
    std::string strList;
    for (const std::string& strName : names)
        strList += (strList.empty() ? "\"" : ", \"") + strName + "\"";
    return strList;
}

// An absolute folder path ending with '/', as the catalogue appends file names to it.
std::string FolderPath(const std::string& strDir) {
    std::error_code error;
    std::string strPath =
        Utf8Path(std::filesystem::absolute(FsPath(strDir), error).lexically_normal());
    if (strPath.empty() || strPath.back() != '/')
        strPath += '/';
    return strPath;
}

// "5", "COM5" in any case, or the device name tools such as Device Manager show, "\\.\COM5".
bool IsComNumber(const std::string& strText, int& nPort) {
    const bool bDigits =
        !strText.empty() && strText.size() <= 6 &&
        std::all_of(strText.begin(), strText.end(), [](char c) { return c >= '0' && c <= '9'; });
    nPort = bDigits ? std::stoi(strText) : ComNumberFromName(strText);
    return nPort >= 0;
}

} // namespace

CCliApp::CCliApp(std::string strExePath, std::FILE* pOut, std::FILE* pErr)
    : m_strExePath(std::move(strExePath)), m_pOut(pOut), m_pErr(pErr) {}

CCliApp::~CCliApp() = default;

int CCliApp::BadArguments(const std::string& strMessage) const {
    // Names in it come from the command line and the disk: shown, never obeyed by the terminal.
    std::fprintf(m_pErr, "vantoro-cli: %s\nTry 'vantoro-cli --help'.\n",
                 TerminalText(strMessage).c_str());
    return kExitBadArguments;
}

int CCliApp::Run(const std::vector<std::string>& args) {
    return FinishOutput(RunCommand(args));
}

int CCliApp::RunCommand(const std::vector<std::string>& args) {
    std::string strError;
    if (!ParseCliOptions(args, m_options, strError))
        return BadArguments(strError);
    if (m_options.bHelp) {
        std::fputs(CliUsage(m_options.command).c_str(), m_pOut);
        return kExitCompleted;
    }
    if (m_options.bVersion) {
        std::fprintf(m_pOut, "vantoro-cli %s\n", kProgramVersion);
        return kExitCompleted;
    }
    // The window starts without a settings file; a file named on purpose must be there, and be
    // a file: a FIFO would block, a device would read without end, a folder holds nothing.
    if (!m_options.strSettings.empty()) {
        std::string strWhy;
        if (!CRegularFile::IsReadable(m_options.strSettings, strWhy))
            return BadArguments("--settings " + m_options.strSettings +
                                ": not a readable file: " + strWhy);
    }
    if (m_options.command == CliCommand::Check)
        return CheckFiles(); // needs neither settings nor ports
    OpenSession();
    switch (m_options.command) {
    case CliCommand::Ports:
        return ListPorts();
    case CliCommand::Software:
        return ListSoftware();
    case CliCommand::Update:
        return Update();
    case CliCommand::Check:
    case CliCommand::None:
        break;
    }
    return BadArguments("no command given");
}

void CCliApp::OpenSession() {
    const std::string strProgramDir = ProgramDirectoryOf(m_strExePath);
    std::string strSettings = m_options.strSettings;
    if (strSettings.empty()) {
        strSettings =
            ComputeAppPaths(strProgramDir + kWindowProgram, ProcessEnvironment(), IsFolderWritable)
                .strSettingsPath;
    }
    // The comN links live beside the settings file, for the window and the command line alike.
    SetDosDevicesFolder(ProgramDirectoryOf(strSettings) + "dosdevices");
    SetNetworkPortsFile(strSettings);
    m_pSession = std::make_unique<CUpdateSession>(strSettings);
    std::vector<ComPortEntry> entries;
    std::vector<std::string> problems; // an unwritable dosdevices folder, say
    m_bPortsFound = DiscoverComPortEntries(entries, problems);
    // Standard error, so that the lists and the JSON lines on standard output stay clean.
    for (const std::string& strProblem : problems)
        std::fprintf(m_pErr, "vantoro-cli: %s\n", TerminalText(strProblem).c_str());
    if (m_bPortsFound)
        m_pSession->FillComPorts(std::move(entries));
    m_pSession->LoadAppSettings(strProgramDir);
}

int CCliApp::ListPorts() {
    if (!m_bPortsFound) {
        std::fprintf(m_pErr, "vantoro-cli: No Com Ports Available\n");
        return kExitFailed;
    }
    for (const ComPortEntry& entry : m_pSession->Ports().Entries()) {
        if (m_options.bJson) {
            std::fprintf(m_pOut, "{\"port\":%d,\"name\":%s,\"device\":%s,\"by_id\":%s}\n",
                         entry.nPort, JsonString(entry.strFriendlyName).c_str(),
                         JsonString(entry.strDeviceNode).c_str(),
                         JsonString(entry.strStableName).c_str());
        } else {
            // Tabs part the fields; what is in them is shown, never obeyed.
            std::string strLine =
                TerminalText(CComPortList::EntryText(entry.nPort, entry.strFriendlyName)) + "\t" +
                TerminalText(entry.strDeviceNode);
            if (!entry.strStableName.empty())
                strLine += "\t" + TerminalText(entry.strStableName);
            std::fprintf(m_pOut, "%s\n", strLine.c_str());
        }
    }
    return kExitCompleted;
}

bool CCliApp::ChooseSoftware(bool bNeedFiles, int& nStatus, CSoftwareRefresh& refresh) {
    CUpdateSession& session = *m_pSession;
    const int nPlatform = session.FindPlatform(m_options.strProduct);
    if (nPlatform < 0) {
        std::vector<std::string> names;
        for (const CTarget& target : session.Targets())
            names.push_back(StringFromId(target.GetNameId()));
        nStatus = BadArguments("--product \"" + m_options.strProduct +
                               "\" is not a product; products are " + QuotedList(names));
        return false;
    }
    session.SelectPlatform(nPlatform);
    CTarget& target = *session.GetTarget();
    const int nModel = session.FindModel(m_options.strModel);
    if (nModel < 0) {
        std::vector<std::string> names;
        for (int i = 0; i < target.GetVariantCount(); ++i)
            names.push_back(StringFromId(target.GetVariantNameId(i)));
        nStatus = BadArguments("--model \"" + m_options.strModel + "\" is not a model of " +
                               m_options.strProduct + "; models are " + QuotedList(names));
        return false;
    }
    // As in the window: choosing another model drops a file chosen for the stored one.
    if (nModel != target.GetVariant())
        session.SelectModel(nModel);

    if (!m_options.strFile.empty()) {
        std::error_code error;
        const std::string strPath = Utf8Path(
            std::filesystem::absolute(FsPath(m_options.strFile), error).lexically_normal());
        std::string strWhy;
        if (!CRegularFile::IsReadable(strPath, strWhy)) {
            nStatus =
                BadArguments("--file " + m_options.strFile + ": not a readable file: " + strWhy);
            return false;
        }
        target.SetVariantFile(strPath);
    } else if (!m_options.strDir.empty() &&
               !target.SetWorkingDirectory(FolderPath(m_options.strDir))) {
        nStatus = BadArguments("--dir " + m_options.strDir + ": not a directory");
        return false;
    }
    refresh = CUpdateSession::RefreshSoftwareOf(&target, 1);
    if (bNeedFiles && refresh.files.empty()) {
        nStatus = BadArguments(
            std::string(m_options.strDir.empty() ? "" : "--dir ") + refresh.strDirectory + ": " +
            refresh.strStatusText + " (" + SoftwarePatternText(target) + ")" +
            (refresh.strFolderProblem.empty() ? "" : " (" + refresh.strFolderProblem + ")"));
        return false;
    }
    return true;
}

int CCliApp::ListSoftware() {
    int nStatus = kExitCompleted;
    CSoftwareRefresh refresh;
    if (!ChooseSoftware(false, nStatus, refresh))
        return nStatus;
    CTarget& target = *m_pSession->GetTarget();
    if (refresh.files.empty()) {
        std::fprintf(m_pErr, "vantoro-cli: %s\n", TerminalText(NoSoftwareText(target)).c_str());
        if (!refresh.strFolderProblem.empty())
            std::fprintf(m_pErr, "vantoro-cli: %s\n",
                         TerminalText(refresh.strFolderProblem).c_str());
        return kExitFailed;
    }
    for (int i = 0; i < static_cast<int>(refresh.files.size()); ++i) {
        const std::string& strName = refresh.files[static_cast<std::size_t>(i)];
        if (m_options.bJson)
            std::fprintf(m_pOut, "{\"file\":%s,\"path\":%s}\n", JsonString(strName).c_str(),
                         JsonString(target.GetSoftwarePath(i)).c_str());
        else
            std::fprintf(m_pOut, "%s\n", TerminalText(strName).c_str());
    }
    return kExitCompleted;
}

bool CCliApp::ResolvePorts(std::vector<ComPortEntry>& ports, int& nStatus) {
    CUpdateSession& session = *m_pSession;
    std::string strListed;
    std::vector<int> listedNumbers;
    for (const ComPortEntry& entry : session.Ports().Entries()) {
        strListed += (strListed.empty() ? "" : ", ") + std::to_string(entry.nPort);
        listedNumbers.push_back(entry.nPort);
    }
    if (strListed.empty())
        strListed = "none";
    const auto add = [&](const ComPortEntry& entry, const std::string& strGiven, bool bFromAll) {
        const bool bTwice = std::any_of(ports.begin(), ports.end(), [&](const ComPortEntry& e) {
            return e.nPort == entry.nPort;
        });
        if (bTwice && !bFromAll) {
            nStatus = BadArguments("--port " + strGiven + ": COM " + std::to_string(entry.nPort) +
                                   " is given twice");
            return false;
        }
        if (!bTwice)
            ports.push_back(entry);
        return true;
    };
    const bool bAll =
        std::find(m_options.ports.begin(), m_options.ports.end(), "all") != m_options.ports.end();
    for (const std::string& strGiven : m_options.ports) {
        int nPort = 0;
        const ComPortEntry* pEntry = nullptr;
        ComPortEntry unlisted;
        if (strGiven == "all") {
            if (session.Ports().Entries().empty()) {
                nStatus = BadArguments("--port all: no COM ports are listed");
                return false;
            }
            for (const ComPortEntry& entry : session.Ports().Entries())
                add(entry, strGiven, true);
            continue;
        }
        if (IsComNumber(strGiven, nPort)) {
            // The window's rule: only a listed number can be chosen.
            const int nIndex = session.SelectComPort(nPort);
            if (nIndex < 0) {
                nStatus = BadArguments("--port " + strGiven + ": COM " + std::to_string(nPort) +
                                       " is not a listed port (listed: " + strListed + ")");
                return false;
            }
            pEntry = &session.Ports().Entries()[static_cast<std::size_t>(nIndex)];
        } else if (LooksLikeNetworkPortName(strGiven)) {
            NetworkPortName name;
            std::string strWhy;
            if (!ParseNetworkPortName(strGiven, name, &strWhy)) {
                nStatus = BadArguments("--port " + strGiven + ": " + strWhy);
                return false;
            }
            pEntry = session.Ports().FindByDevice(strGiven);
            if (!pEntry) {
                // Not connected to here: the server is asked when the unit's port opens. Its
                // number is linked at first sight, so a rack's report keeps one port column.
                std::string strWhy;
                int nNumber = LinkNetworkPort(strGiven, listedNumbers, strWhy);
                if (nNumber < 0) {
                    std::fprintf(m_pErr, "vantoro-cli: %s keeps its number for this run only: %s\n",
                                 TerminalText(strGiven).c_str(), TerminalText(strWhy).c_str());
                    nNumber = AddProcessComDevice(strGiven, listedNumbers);
                }
                unlisted = {nNumber, "Network Port (" + strGiven + ")", strGiven};
                pEntry = &unlisted;
            }
        } else if (strGiven.find('/') != std::string::npos) {
            pEntry = session.Ports().FindByDevice(strGiven);
            if (!pEntry) {
                if (!IsTerminalDevice(strGiven)) {
                    nStatus = BadArguments("--port " + strGiven + ": not a terminal device");
                    return false;
                }
                std::error_code error;
                const std::string strPath =
                    Utf8Path(std::filesystem::absolute(FsPath(strGiven), error).lexically_normal());
                unlisted = {AddProcessComDevice(strPath, listedNumbers),
                            "Serial Port (" + strPath + ")", strPath};
                pEntry = &unlisted;
            }
        } else {
            nStatus = BadArguments("--port " + strGiven +
                                   ": neither a COM number, a device path nor \"all\"");
            return false;
        }
        if (pEntry != &unlisted)
            session.SelectComPort(pEntry->nPort);
        if (!add(*pEntry, strGiven, bAll))
            return false;
    }
    return true;
}

int CCliApp::Update() {
    int nStatus = kExitCompleted;
    CSoftwareRefresh refresh;
    if (!ChooseSoftware(true, nStatus, refresh))
        return nStatus;
    std::vector<ComPortEntry> ports;
    if (!ResolvePorts(ports, nStatus))
        return nStatus;
    if (!PreCheckFile(m_pSession->GetTarget()->GetSoftwarePath(0)))
        return kExitFailed;
    CReportFile report;
    std::string strError;
    CReportFile::Forbidden forbidden;
    forbidden.files = {m_pSession->GetSettingsPath(), m_options.strFile};
    // A file named with --file may lie anywhere, beside its report too; files taken from the
    // software folder make the whole folder theirs.
    if (m_options.strFile.empty())
        forbidden.strFolder = refresh.strDirectory;
    if (!m_options.strReport.empty()) {
        const CReportFile::OpenResult opened =
            report.Open(m_options.strReport, m_options.bJson, forbidden, strError);
        if (opened == CReportFile::OpenResult::Refused)
            return BadArguments("--report " + m_options.strReport + ": " + strError);
        if (opened == CReportFile::OpenResult::Failed) {
            std::fprintf(m_pErr, "vantoro-cli: --report %s: cannot be written: %s\n",
                         TerminalText(m_options.strReport).c_str(), strError.c_str());
            return kExitFailed;
        }
    }

    std::vector<CUnitSetup> setups;
    for (const ComPortEntry& port : ports) {
        CUnitSetup setup;
        setup.port = port;
        setup.target = *m_pSession->GetTarget();
        setup.strProduct = m_options.strProduct;
        setup.nReplyTimeoutMs = m_options.bTimeout ? m_options.nTimeoutSeconds * 1000u
                                                   : m_pSession->GetReplyTimeoutMs();
        setup.nWaitSeconds = m_options.nWaitSeconds;
        setup.bRepeat = m_options.bRepeat;
        setup.bForce = m_options.bForce;
        setup.nLogMask = static_cast<std::uint32_t>(m_pSession->ReadLogSettings().nLogFlags);
        setups.push_back(std::move(setup));
    }
    CCliOutput output(m_pOut, CCliOutput::ChooseMode(m_pOut, m_options.bJson));
    int nResult;
    {
        CUpdateRun run(std::move(setups), output, report, m_pErr);
        nResult = run.Run();
    }
    // Only now, with the signals no longer held for the loop: a reader that never reads again
    // leaves the summary waiting, and Ctrl-C still ends that wait.
    m_nOutputError = output.Finish();
    return nResult;
}

int CCliApp::FinishOutput(int nStatus) const {
    errno = m_nOutputError;
    const bool bFailed = std::fflush(m_pOut) != 0 || std::ferror(m_pOut);
    // A reader that went away (| head) is no failure worth a word, as with any tool.
    if (!bFailed || errno == EPIPE)
        return nStatus;
    std::fprintf(m_pErr, "vantoro-cli: cannot write to standard output: %s\n",
                 errno != 0 ? std::strerror(errno) : "write error");
    return nStatus == kExitCompleted ? kExitFailed : nStatus;
}

int CCliApp::CheckFiles() {
    int nStatus = kExitCompleted;
    for (const std::string& strFile : m_options.files) {
        CFileVerdict verdict;
        std::string strReason;
        // A name with control bytes in it is shown escaped, never sent to the terminal raw.
        const std::string strShown = TerminalText(strFile);
        if (!CFileCheck::CheckFile(strFile, verdict, strReason)) {
            nStatus = kExitFailed;
            // An error message, not a verdict: standard error, as every other tool says it. JSON
            // keeps one object per file for the script that reads them.
            if (m_options.bJson)
                std::fputs(CVerdictOutput::UnreadableJson(strFile, strReason).c_str(), m_pOut);
            else
                std::fprintf(m_pErr, "vantoro-cli: %s: cannot be read: %s\n", strShown.c_str(),
                             strReason.c_str());
            continue;
        }
        if (verdict.HasErrors())
            nStatus = kExitFailed;
        const std::string strText = m_options.bJson
                                        ? CVerdictOutput::Json(strFile, verdict)
                                        : CVerdictOutput::FindingsText(strShown, verdict) +
                                              CVerdictOutput::FactsText(strShown, verdict);
        std::fputs(strText.c_str(), m_pOut);
    }
    return nStatus;
}

bool CCliApp::PreCheckFile(const std::string& strFile) {
    CFileVerdict verdict;
    std::string strReason;
    const std::string strPath = TerminalText(strFile);
    if (!CFileCheck::CheckFile(strFile, verdict, strReason)) {
        std::fprintf(m_pErr, "vantoro-cli: %s: cannot be read: %s\n", strPath.c_str(),
                     strReason.c_str());
        return false;
    }
    // Standard error, so that the update's own lines and JSON stay clean on standard output.
    std::fputs(CVerdictOutput::FindingsText(strPath, verdict, "vantoro-cli: ").c_str(), m_pErr);
    if (!verdict.HasErrors())
        return true;
    if (m_options.bForce) {
        std::fprintf(m_pErr, "vantoro-cli: %s: sent as it is (--force): %s\n", strPath.c_str(),
                     verdict.Summary().c_str());
        return true;
    }
    std::fprintf(m_pErr,
                 "vantoro-cli: %s: refused, nothing was sent: %s\n"
                 "vantoro-cli: --force sends it anyway; the equipment may be left without "
                 "working software\n",
                 strPath.c_str(), verdict.Summary().c_str());
    return false;
}

} // namespace vantoro

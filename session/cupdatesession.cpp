#include "session/cupdatesession.h"

#include "catalogue/ccatalogue.h"
#include "catalogue/cstringtable.h"

#include "platform/fspath.h"

#include <filesystem>

namespace vantoro {

namespace {

// An empty folder and one that cannot be read both offer nothing; only the second has a reason.
std::string FolderProblem(const std::string& strFolder) {
    if (strFolder.empty())
        return std::string();
    std::error_code error;
    std::filesystem::directory_iterator opened(FsPath(strFolder), error);
    if (!error)
        return std::string();
    return "Cannot read folder " + strFolder + ": " + error.message();
}

} // namespace

CUpdateSession::CUpdateSession(std::string strSettingsPath, std::string strInstallIni)
    : m_settings(std::move(strSettingsPath), std::move(strInstallIni)),
      m_targets(BuildCatalogue()) {
    if (!m_targets.empty())
        m_pTarget = &m_targets.front();
}

bool CUpdateSession::SelectPlatform(int nIndex) {
    if (nIndex < 0 || nIndex >= GetPlatformCount())
        return false;
    m_nPlatformIndex = nIndex;
    m_pTarget = &m_targets[static_cast<std::size_t>(nIndex)];
    return true;
}

void CUpdateSession::SelectModel(int nIndex) {
    if (!m_pTarget)
        return;
    m_pTarget->SetVariant(nIndex);
    m_pTarget->SetVariantFile(std::string());
}

std::string CUpdateSession::ModelName() const {
    return m_pTarget ? StringFromId(m_pTarget->GetVariantNameId(m_pTarget->GetVariant()))
                     : std::string();
}

int CUpdateSession::FindPlatform(const std::string& strName) const {
    for (int i = 0; i < GetPlatformCount(); ++i) {
        if (StringFromId(m_targets[static_cast<std::size_t>(i)].GetNameId()) == strName)
            return i;
    }
    return -1;
}

int CUpdateSession::FindModel(const std::string& strName) const {
    for (int i = 0; m_pTarget && i < m_pTarget->GetVariantCount(); ++i) {
        if (StringFromId(m_pTarget->GetVariantNameId(i)) == strName)
            return i;
    }
    return -1;
}

int CUpdateSession::ReplacePorts(std::vector<ComPortEntry> entries) {
    const int nBefore = m_ports.GetPortNumber();
    int nIndex = -1;
    if (m_ports.Replace(std::move(entries)))
        nIndex = m_ports.IndexOf(m_ports.GetPortNumber());
    else if (!m_ports.Entries().empty())
        nIndex = m_ports.UseInstead(m_ports.Entries().front().nPort);
    if (nIndex >= 0 && m_ports.GetPortNumber() != nBefore)
        LogSelected(m_ports.GetPortNumber());
    return nIndex;
}

int CUpdateSession::FollowPorts(std::vector<ComPortEntry> entries) {
    if (m_ports.GetChosenPortNumber() == 0)
        return ReplacePorts(std::move(entries));
    const int nBefore = m_ports.GetPortNumber();
    if (!m_ports.Replace(std::move(entries)))
        return -1;
    if (m_ports.GetPortNumber() != nBefore)
        LogSelected(m_ports.GetPortNumber());
    return m_ports.IndexOf(m_ports.GetPortNumber());
}

int CUpdateSession::SelectComPort(int nPortNumber) {
    const int nIndex = m_ports.Select(nPortNumber);
    if (nIndex >= 0)
        LogSelected(nPortNumber);
    return nIndex;
}

void CUpdateSession::LogSelected(int nPortNumber) const {
    if (m_log)
        m_log(LogHighLevelComms, "Com Port " + std::to_string(nPortNumber) + " Selected");
}

CSoftwareRefresh CUpdateSession::RefreshSoftwareOf(CTarget* pTarget, int nPortCount) {
    CSoftwareRefresh refresh;
    if (!pTarget)
        return refresh;
    const std::string strModel = StringFromId(pTarget->GetVariantNameId(pTarget->GetVariant()));
    refresh.files = pTarget->FindSoftware();
    if (!refresh.files.empty()) {
        refresh.strStatusText = "Ready to Code " + strModel;
        refresh.strActionText = "Connect " + strModel + " to Serial Port, then press Start";
        refresh.bReady = true;
    } else {
        refresh.strStatusText = "No Software Found for " + strModel;
        refresh.strActionText = "Select a File or Directory with Files for " + strModel;
        refresh.strFolderProblem = FolderProblem(pTarget->GetSoftwareDirectory());
    }
    // Without a port nothing can be updated, whatever software there is.
    if (nPortCount == 0) {
        refresh.strStatusText = "No Com Ports Found.";
        refresh.strActionText = "Please add a Comm port.";
        refresh.bReady = false;
    }
    refresh.strDirectory = pTarget->GetSoftwareDirectory();
    return refresh;
}

void CUpdateSession::LoadAppSettings(const std::string& strProgramDir,
                                     const std::function<void(int)>& selectComPort) {
    int nIndex = m_nPlatformIndex;
    m_settings.LoadAppSettings(m_targets, nIndex, strProgramDir, [&](int nPort) {
        if (selectComPort)
            selectComPort(nPort);
        else
            SelectComPort(nPort);
    });
    SelectPlatform(nIndex);
}

bool CUpdateSession::SaveAppSettings(bool bLogEnabled, int nLogFlags) const {
    CAppState state;
    state.nPortNumber = GetChosenPortNumber();
    state.nPlatformIndex = m_nPlatformIndex;
    state.bLogEnabled = bLogEnabled;
    state.nLogFlags = nLogFlags;
    return m_settings.SaveAppSettings(m_targets, state);
}

} // namespace vantoro

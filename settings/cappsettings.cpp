#include "settings/cappsettings.h"

#include "catalogue/cstringtable.h"
#include "platform/cprofilefile.h"

namespace vantoro {

namespace {

constexpr const char kLogEnabled[] = "ENABLED";
constexpr const char kLogDisabled[] = "DISABLED";

} // namespace

std::uint32_t ReplyTimeoutSecondsFromText(const std::string& strText) {
    std::int64_t nSeconds = 0;
    if (!ScanDecimalInt64(strText, nSeconds))
        return kMinReplyTimeoutSeconds; // GetPrivateProfileInt's default 10
    if (nSeconds < static_cast<std::int64_t>(kMinReplyTimeoutSeconds))
        return kMinReplyTimeoutSeconds;
    if (nSeconds > static_cast<std::int64_t>(kMaxReplyTimeoutSeconds))
        return kMaxReplyTimeoutSeconds;
    return static_cast<std::uint32_t>(nSeconds);
}

CAppSettings::CAppSettings(std::string strProfileFile, std::string strInstallIni)
    : m_strProfileFile(std::move(strProfileFile)), m_strInstallIni(std::move(strInstallIni)) {}

CLogSettings CAppSettings::ReadLogSettings() const {
    const std::string strApp = StringFromId(IDS_SECTION_APP);
    CLogSettings log;
    log.bLogEnabled = GetPrivateProfileString(strApp, StringFromId(IDS_KEY_LOG), "",
                                              m_strProfileFile) == kLogEnabled;
    std::string strFlags =
        GetPrivateProfileString(strApp, StringFromId(IDS_KEY_LOG_FLAGS), "", m_strProfileFile);
    int nFlags = 0;
    if (!strFlags.empty() && ScanDecimalInt(strFlags, nFlags))
        log.nLogFlags = nFlags;
    return log;
}

void CAppSettings::LoadAppSettings(std::vector<CTarget>& targets, int& nPlatformIndex,
                                   const std::string& strDefaultDirectory,
                                   const SelectComPortCallback& selectComPort) {
    const std::string strApp = StringFromId(IDS_SECTION_APP);

    // 1. PORT: only a text that starts with a number selects a port.
    std::string strPort =
        GetPrivateProfileString(strApp, StringFromId(IDS_KEY_PORT), "", m_strProfileFile);
    int nPort = 0;
    if (!strPort.empty() && ScanDecimalInt(strPort, nPort) && selectComPort)
        selectComPort(nPort);

    // 2. PLATFORM, kept for step 4.
    std::string strPlatform =
        GetPrivateProfileString(strApp, StringFromId(IDS_KEY_PLATFORM), "", m_strProfileFile);

    // 3. The reply time-out, clamped to 10 s .. the largest whole seconds whose ms fit 32 bits.
    std::string strTimeout =
        GetPrivateProfileString(strApp, StringFromId(IDS_KEY_REPLY_TIMEOUT), "", m_strProfileFile);
    m_nReplyTimeoutMs = ReplyTimeoutSecondsFromText(strTimeout) * 1000u;

    // 4. The current platform: the first display name equal byte for byte.
    for (std::size_t i = 0; i < targets.size(); ++i) {
        if (StringFromId(targets[i].GetNameId()) == strPlatform) {
            nPlatformIndex = static_cast<int>(i);
            break;
        }
    }

    // 5. Every platform's own section.
    for (CTarget& target : targets)
        target.LoadSettings(strDefaultDirectory, m_strProfileFile, m_strInstallIni);
}

bool CAppSettings::SaveAppSettings(const std::vector<CTarget>& targets,
                                   const CAppState& state) const {
    const std::string strApp = StringFromId(IDS_SECTION_APP);
    std::string strPlatform;
    if (state.nPlatformIndex >= 0 &&
        static_cast<std::size_t>(state.nPlatformIndex) < targets.size())
        strPlatform =
            StringFromId(targets[static_cast<std::size_t>(state.nPlatformIndex)].GetNameId());

    bool bOk = true;
    auto write = [&](int nKeyId, const std::string& strValue) {
        bOk = WritePrivateProfileString(strApp, StringFromId(nKeyId), strValue, m_strProfileFile) &&
              bOk;
    };
    write(IDS_KEY_PORT, std::to_string(state.nPortNumber));
    write(IDS_KEY_PLATFORM, strPlatform);
    write(IDS_KEY_LOG, state.bLogEnabled ? kLogEnabled : kLogDisabled);
    write(IDS_KEY_LOG_FLAGS, std::to_string(state.nLogFlags));
    write(IDS_KEY_REPLY_TIMEOUT, std::to_string(m_nReplyTimeoutMs / 1000u));

    for (const CTarget& target : targets)
        bOk = target.SaveSettings(m_strProfileFile) && bOk;
    return bOk;
}

} // namespace vantoro

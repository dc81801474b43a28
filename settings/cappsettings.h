#pragma once

#include "catalogue/ctarget.h"
#include "platform/cinstallpath.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// The "APP" section of the settings file and the per-platform sections it drives,
// without any window: the main window hands in its catalogue, its port selection
// (a callback) and its log state.
namespace vantoro {

// The default log category mask: every category but LogLowLevelComms.
constexpr int kDefaultLogFlags = 23;
// Reply time-out limits in whole seconds. Below the minimum (negative included) gives the
// minimum; above the maximum, whose milliseconds would overflow 32 bits, gives the maximum.
constexpr std::uint32_t kMinReplyTimeoutSeconds = 10;
constexpr std::uint32_t kMaxReplyTimeoutSeconds = 4294967; // 4294967000 ms fits 32 bits

// The two log keys, read by the main window before the catalogue exists.
struct CLogSettings {
    bool bLogEnabled = false;         // "LOG" equals "ENABLED" exactly
    int nLogFlags = kDefaultLogFlags; // "LOG_FLAGS" when it starts with a number
};

// The main window's values that SaveAppSettings stores.
struct CAppState {
    int nPortNumber = 0;      // selected COM port, 0 when none
    int nPlatformIndex = 0;   // current platform
    bool bLogEnabled = false; // m_bLogEnabled (the running state is not stored)
    int nLogFlags = kDefaultLogFlags;
};

// Reply time-out in whole seconds from the stored "QVR Series" text: no number gives 10; a
// number below 10 (negative included) gives 10; a number above kMaxReplyTimeoutSeconds gives
// kMaxReplyTimeoutSeconds.
std::uint32_t ReplyTimeoutSecondsFromText(const std::string& strText);

// Reads and writes the "APP" section of one settings file.
class CAppSettings {
public:
    // SelectComPort(n) of the main window with the request to move the list selection.
    using SelectComPortCallback = std::function<void(int nPortNumber)>;

    explicit CAppSettings(std::string strProfileFile,
                          std::string strInstallIni = std::string(kInstallIniPath));

    const std::string& GetProfileFile() const { return m_strProfileFile; }

    // "LOG" and "LOG_FLAGS" of "APP".
    CLogSettings ReadLogSettings() const;

    // LoadAppSettings, in the documented order: PORT (selectComPort is called only
    // when the text starts with a number; may be empty), PLATFORM, the reply time-out, the
    // current platform (first display name equal byte for byte; nPlatformIndex unchanged
    // without a match), then every platform's LoadSettings with strDefaultDirectory.
    void LoadAppSettings(std::vector<CTarget>& targets, int& nPlatformIndex,
                         const std::string& strDefaultDirectory,
                         const SelectComPortCallback& selectComPort);

    // SaveAppSettings, in the documented order: PORT, PLATFORM, LOG, LOG_FLAGS,
    // QVR Series (time-out / 1000), then every platform's SaveSettings. Returns false when any
    // write failed (nothing is reported; callers may ignore it).
    bool SaveAppSettings(const std::vector<CTarget>& targets, const CAppState& state) const;

    // The reply time-out in milliseconds: 0 until LoadAppSettings ran.
    std::uint32_t GetReplyTimeoutMs() const { return m_nReplyTimeoutMs; }
    void SetReplyTimeoutMs(std::uint32_t nMillis) { m_nReplyTimeoutMs = nMillis; }

private:
    std::string m_strProfileFile;
    std::string m_strInstallIni;
    std::uint32_t m_nReplyTimeoutMs = 0;
};

} // namespace vantoro

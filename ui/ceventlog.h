#pragma once

#include <QString>
#include <ctime>
#include <functional>

namespace vantoro {

class CLogEdit;

// The logging state behind the log box: enabled, running (paused or not) and the category
// filter; turns a passing message into a time-stamped line of the box.
class CEventLog {
public:
    static constexpr int kDefaultFlags = 23;

    explicit CEventLog(CLogEdit* pBox = nullptr);

    void SetBox(CLogEdit* pBox) { m_pBox = pBox; }
    // Where the current time comes from; tests pin it.
    void SetClock(std::function<std::time_t()> clock) { m_clock = std::move(clock); }

    // Appends "HH:MM:SS  text" when logging is enabled and running and the category passes.
    void LogEvent(int nCategory, const QString& strText);

    // Enabled and running together, as the Log Options dialog and the settings set them.
    void SetLogging(bool bOn);
    // File > Logging: pause with a last line, or resume with a first line.
    void ToggleRunning();
    // File > Clear Log: empty the box, then note that it was cleared.
    void Clear();

    void SetLogFlags(int nMask) { m_nLogFlags = nMask; }
    int GetLogFlags() const { return m_nLogFlags; }
    bool IsLoggingEnabled() const { return m_bLogEnabled; }
    bool IsLoggingRunning() const { return m_bLogRunning; }

    // "%H:%M:%S  " of the local time; empty when the time cannot be converted.
    static QString FormatStamp(std::time_t when);

private:
    CLogEdit* m_pBox;
    bool m_bLogEnabled = false;
    bool m_bLogRunning = false;
    int m_nLogFlags = kDefaultFlags;
    std::function<std::time_t()> m_clock;
};

} // namespace vantoro

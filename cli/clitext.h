#pragma once

#include <chrono>
#include <string>

// Text forms of the command line's output: JSON strings, CSV fields and time stamps.
namespace vantoro {

// strText as a JSON string, quotes included; bytes that are not valid UTF-8 become U+FFFD so
// every line stays valid JSON whatever a file name holds.
std::string JsonString(const std::string& strText);

// strText as it may reach a terminal: control bytes (line breaks, ESC, DEL, C1 controls) and
// bytes that are not UTF-8 are shown as \n, \r, \t, \e or \xNN, so no name or reply can move
// the cursor, clear the screen or break a line.
std::string TerminalText(const std::string& strText);

// A path for a report: as it is when it is valid UTF-8, else as a file:// URI with every byte
// outside unreserved ASCII percent-encoded, so the report stays UTF-8 and the exact bytes can
// be recovered. A plain path starts with '/', so the two forms cannot be confused.
std::string ReportPath(const std::string& strPath);

// strText as one CSV field: quoted (quotes doubled) when it holds a comma, a quote or a line
// break, else as it is.
std::string CsvField(const std::string& strText);

// "2026-12-07T01:17:04Z".
std::string UtcTimeStamp(std::chrono::system_clock::time_point when);

// "01:17:04", local time, as the window's log shows it.
std::string LocalClockTime(std::chrono::system_clock::time_point when);

} // namespace vantoro

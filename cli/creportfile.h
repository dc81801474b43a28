#pragma once

#include "cli/cunitresult.h"
#include "platform/cappendfile.h"

#include <string>
#include <vector>

namespace vantoro {

// The --report file: one line per finished unit, appended at once, so a bench's record survives
// whatever ends the run. Only a regular file (or a new one) is taken, never one the update
// itself reads, nor one holding the other format. Every write is checked: a line that cannot go
// in whole is taken out again, so the file always ends at a line boundary. Any number of runs
// may append to one report at once: each line (and a new file's CSV header) goes in under a
// lock, whole and never interleaved.
class CReportFile {
public:
    // What a report must not be: the code file, the settings file, anything in the software
    // folder. Paths that do not exist are skipped.
    struct Forbidden {
        std::vector<std::string> files;
        std::string strFolder;
    };

    CReportFile() = default;
    CReportFile(const CReportFile&) = delete;
    CReportFile& operator=(const CReportFile&) = delete;

    enum class OpenResult {
        Opened,
        Refused, // not a file that may be the report: the arguments are wrong
        Failed,  // the system would not create or write it (a full disk, a read-only folder)
    };

    // Anything but Opened comes with the reason, and leaves no file that was not there before.
    OpenResult Open(const std::string& strPath, bool bJson, const Forbidden& forbidden,
                    std::string& strError);
    bool IsOpen() const { return m_file.IsOpen(); }
    // False when the line could not be written whole (or the report was removed meanwhile);
    // GetError then says why, and strLine holds the line that is missing.
    bool Append(const CUnitResult& result, std::string& strLine);
    // "PATH: reason" of the last write that failed; empty while every line went in.
    const std::string& GetError() const { return m_strError; }

private:
    OpenResult CheckFormat(std::string& strError);
    bool AppendLine(const std::string& strLine);

    CAppendFile m_file;
    bool m_bJson = false;
    std::string m_strPath;
    std::string m_strError;
};

} // namespace vantoro

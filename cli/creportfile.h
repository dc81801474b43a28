#pragma once

#include "cli/cunitresult.h"

#include <cstdio>
#include <string>

namespace vantoro {

// The --report file: one line per finished unit, appended and flushed at once, so a bench's
// record survives whatever ends the run. CSV gets its header when the file starts empty.
class CReportFile {
public:
    CReportFile() = default;
    ~CReportFile();
    CReportFile(const CReportFile&) = delete;
    CReportFile& operator=(const CReportFile&) = delete;

    // False with the system's reason when the file cannot be opened for appending.
    bool Open(const std::string& strPath, bool bJson, std::string& strError);
    bool IsOpen() const { return m_pFile != nullptr; }
    void Append(const CUnitResult& result);

private:
    std::FILE* m_pFile = nullptr;
    bool m_bJson = false;
};

} // namespace vantoro

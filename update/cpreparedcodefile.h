#pragma once

#include "srecord/cfilecheck.h"
#include "update/ccodefile.h"

#include <string>

namespace vantoro {

// A code file read ahead of Start, away from the thread that shows the window: checked and
// counted exactly as Start would, so that a long file never holds the window up. The update then
// takes the opened file and the verdict instead of reading the file twice more.
class CPreparedCodeFile {
public:
    // Checks strPath (telling progress as it reads) and then opens and counts it. False when
    // progress asked to stop; nothing is usable then.
    bool Prepare(const std::string& strPath, const CFileCheck::ProgressFunction& progress);

    const std::string& GetPath() const { return m_strPath; }
    // Hands over the opened file; false when it could not be opened or counted.
    bool TakeFile(CCodeFile& file);
    // The check's verdict; false, with the reason, when the file could not be read.
    bool GetVerdict(CFileVerdict& verdict, std::string& strReason) const;

private:
    std::string m_strPath;
    CCodeFile m_file;
    bool m_bOpened = false;
    bool m_bRead = false;
    CFileVerdict m_verdict;
    std::string m_strReason;
};

} // namespace vantoro

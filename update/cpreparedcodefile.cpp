#include "update/cpreparedcodefile.h"

namespace vantoro {

bool CPreparedCodeFile::Prepare(const std::string& strPath,
                                const CFileCheck::ProgressFunction& progress) {
    m_strPath = strPath;
    m_bRead = CFileCheck::CheckFile(strPath, m_verdict, m_strReason, progress);
    if (!m_bRead && m_strReason == CFileCheck::kStoppedReason)
        return false;
    m_bOpened = m_file.OpenAndCount(strPath);
    return true;
}

bool CPreparedCodeFile::TakeFile(CCodeFile& file) {
    if (!m_bOpened)
        return false;
    file = std::move(m_file);
    m_bOpened = false;
    return true;
}

bool CPreparedCodeFile::GetVerdict(CFileVerdict& verdict, std::string& strReason) const {
    verdict = m_verdict;
    strReason = m_strReason;
    return m_bRead;
}

} // namespace vantoro

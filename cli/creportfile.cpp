#include "cli/creportfile.h"

#include "cli/cclioutput.h"

#include <cerrno>
#include <cstring>

namespace vantoro {

CReportFile::~CReportFile() {
    if (m_pFile)
        std::fclose(m_pFile);
}

bool CReportFile::Open(const std::string& strPath, bool bJson, std::string& strError) {
    m_pFile = std::fopen(strPath.c_str(), "ae");
    if (!m_pFile) {
        strError = std::strerror(errno);
        return false;
    }
    m_bJson = bJson;
    std::fseek(m_pFile, 0, SEEK_END);
    if (!m_bJson && std::ftell(m_pFile) == 0) {
        std::fputs(CCliOutput::CsvHeader(), m_pFile);
        std::fputc('\n', m_pFile);
        std::fflush(m_pFile);
    }
    return true;
}

void CReportFile::Append(const CUnitResult& result) {
    if (!m_pFile)
        return;
    const std::string strLine =
        m_bJson ? CCliOutput::ResultJson(result, false) : CCliOutput::ResultCsv(result);
    std::fputs(strLine.c_str(), m_pFile);
    std::fputc('\n', m_pFile);
    std::fflush(m_pFile);
}

} // namespace vantoro

#include "cli/creportfile.h"

#include "cli/cclioutput.h"
#include "platform/cregularfile.h"
#include "platform/fspath.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace vantoro {

namespace {

// Holds the report's lock for one read-decide-write.
class CLockedReport {
public:
    explicit CLockedReport(CAppendFile& file) : m_file(file) { m_file.Lock(); }
    ~CLockedReport() { m_file.Unlock(); }
    CLockedReport(const CLockedReport&) = delete;
    CLockedReport& operator=(const CLockedReport&) = delete;

private:
    CAppendFile& m_file;
};

std::string CanonicalFolder(const std::string& strPath) {
    std::error_code ec;
    return Utf8Path(std::filesystem::weakly_canonical(FsPath(strPath), ec).lexically_normal());
}

// Why strPath must not be the report, or empty.
std::string ForbiddenReason(const std::string& strPath, const CReportFile::Forbidden& forbidden) {
    CFileIdentity report;
    const bool bExists = CRegularFile::IdentityOfPath(strPath, report);
    for (const std::string& strFile : forbidden.files) {
        CFileIdentity other;
        if (bExists && !strFile.empty() && CRegularFile::IdentityOfPath(strFile, other) &&
            report.IsSameFile(other))
            return "is " + strFile + ", which this run reads; give another file";
    }
    if (!forbidden.strFolder.empty()) {
        const std::string strParent =
            CanonicalFolder(Utf8Path(FsPath(CanonicalFolder(strPath)).parent_path()));
        if (strParent == CanonicalFolder(forbidden.strFolder))
            return "is in the software folder " + forbidden.strFolder +
                   ", where it could be taken for a code file; give another folder";
    }
    return {};
}

} // namespace

bool CReportFile::Open(const std::string& strPath, bool bJson, const Forbidden& forbidden,
                       std::string& strError) {
    strError = ForbiddenReason(strPath, forbidden);
    if (!strError.empty())
        return false;
    // Never follows a FIFO into a blocking open, never writes into a device.
    if (!m_file.Open(strPath, strError))
        return false;
    m_strPath = strPath;
    m_bJson = bJson;
    if (!CheckFormat(strError)) {
        m_file.Close();
        return false;
    }
    return true;
}

// A new CSV report gets its header; a report of the other format is refused. Under the lock, so
// of several runs starting one new report at once exactly one writes the header.
bool CReportFile::CheckFormat(std::string& strError) {
    CLockedReport lock(m_file);
    char head[256] = {};
    const std::ptrdiff_t n = m_file.ReadAt(0, head, sizeof head - 1);
    if (n < 0) {
        strError = std::strerror(errno);
        return false;
    }
    const std::string strHead(head, static_cast<std::size_t>(n));
    const std::string strHeader = std::string(CCliOutput::CsvHeader()) + "\n";
    if (strHead.empty()) {
        if (m_bJson || m_file.Append(strHeader))
            return true;
        strError = std::strerror(errno);
        m_file.Truncate(0);
        return false;
    }
    const bool bCsv =
        strHead.compare(0, strHeader.size() - 1, strHeader, 0, strHeader.size() - 1) == 0;
    if (m_bJson && strHead[0] != '{') {
        strError = bCsv ? "holds a CSV report; JSON lines go to a report of their own"
                        : "holds no JSON report lines; give another file";
        return false;
    }
    if (!m_bJson && !bCsv) {
        strError = strHead[0] == '{' ? "holds a JSON report; CSV lines go to a report of their own"
                                     : "holds no CSV report; give another file";
        return false;
    }
    return true;
}

bool CReportFile::Append(const CUnitResult& result) {
    if (!m_file.IsOpen())
        return true;
    return AppendLine(m_bJson ? CCliOutput::ResultJson(result, false)
                              : CCliOutput::ResultCsv(result));
}

bool CReportFile::AppendLine(const std::string& strLine) {
    CLockedReport lock(m_file);
    std::int64_t nSize = 0;
    if (!m_file.GetSize(nSize)) {
        m_strError = m_strPath + ": " + std::strerror(errno);
        return false;
    }
    // A line left without its line feed (a run killed mid-write elsewhere) is ended first, so
    // this one is never glued onto it.
    std::string strData = strLine + "\n";
    char last = '\n';
    if (nSize > 0 && m_file.ReadAt(nSize - 1, &last, 1) == 1 && last != '\n')
        strData.insert(strData.begin(), '\n');
    if (m_file.Append(strData))
        return true;
    const int err = errno;
    // Half a line would be read as a record: the file goes back to where it ended.
    m_file.Truncate(nSize);
    if (m_strError.empty())
        m_strError = m_strPath + ": " + std::strerror(err);
    return false;
}

} // namespace vantoro

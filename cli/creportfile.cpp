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
        if (strFile.empty())
            continue;
        // By name too: a settings file not written yet is still the one the run would save to.
        const bool bSameName = CanonicalFolder(strPath) == CanonicalFolder(strFile);
        CFileIdentity other;
        if (bSameName || (bExists && CRegularFile::IdentityOfPath(strFile, other) &&
                          report.IsSameFile(other)))
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

CReportFile::OpenResult CReportFile::Open(const std::string& strPath, bool bJson,
                                          const Forbidden& forbidden, std::string& strError) {
    strError = ForbiddenReason(strPath, forbidden);
    if (!strError.empty())
        return OpenResult::Refused;
    // Never follows a FIFO into a blocking open, never writes into a device. "it is a FIFO" is
    // a wrong argument; anything else is the system's refusal.
    bool bCreated = false;
    if (!m_file.Open(strPath, strError, &bCreated))
        return strError.compare(0, 6, "it is ") == 0 ? OpenResult::Refused : OpenResult::Failed;
    m_strPath = strPath;
    m_bJson = bJson;
    const OpenResult checked = CheckFormat(strError);
    if (checked != OpenResult::Opened) {
        m_file.Close();
        // A report that never held a line is not left behind to be taken for one.
        if (bCreated) {
            std::error_code ignored;
            std::filesystem::remove(FsPath(strPath), ignored);
        }
    }
    return checked;
}

// A new CSV report gets its header; a report of the other format is refused. Under the lock, so
// of several runs starting one new report at once exactly one writes the header.
CReportFile::OpenResult CReportFile::CheckFormat(std::string& strError) {
    CLockedReport lock(m_file);
    char head[256] = {};
    const std::ptrdiff_t n = m_file.ReadAt(0, head, sizeof head - 1);
    if (n < 0) {
        strError = std::strerror(errno);
        return OpenResult::Failed;
    }
    const std::string strHead(head, static_cast<std::size_t>(n));
    const std::string strHeader = std::string(CCliOutput::CsvHeader()) + "\n";
    if (strHead.empty()) {
        if (m_bJson || m_file.Append(strHeader))
            return OpenResult::Opened;
        strError = std::strerror(errno);
        m_file.Truncate(0);
        return OpenResult::Failed;
    }
    const bool bCsv =
        strHead.compare(0, strHeader.size() - 1, strHeader, 0, strHeader.size() - 1) == 0;
    if (m_bJson && strHead[0] != '{') {
        strError = bCsv ? "holds a CSV report; JSON lines go to a report of their own"
                        : "holds no JSON report lines; give another file";
        return OpenResult::Refused;
    }
    if (!m_bJson && !bCsv) {
        strError = strHead[0] == '{' ? "holds a JSON report; CSV lines go to a report of their own"
                                     : "holds no CSV report; give another file";
        return OpenResult::Refused;
    }
    return OpenResult::Opened;
}

bool CReportFile::Append(const CUnitResult& result, std::string& strLine) {
    if (!m_file.IsOpen())
        return true;
    strLine = m_bJson ? CCliOutput::ResultJson(result, false) : CCliOutput::ResultCsv(result);
    return AppendLine(strLine);
}

bool CReportFile::AppendLine(const std::string& strLine) {
    CLockedReport lock(m_file);
    std::int64_t nSize = 0;
    if (!m_file.GetSize(nSize)) {
        m_strError = m_strPath + ": " + std::strerror(errno);
        return false;
    }
    // Lines written to a file no folder holds any more are lost the moment the run ends.
    if (m_file.IsRemoved()) {
        m_strError = m_strPath + ": the report (or its folder) was removed during the run";
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
    m_strError = m_strPath + ": " + std::strerror(err);
    return false;
}

} // namespace vantoro

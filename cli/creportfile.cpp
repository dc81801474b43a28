#include "cli/creportfile.h"

#include "cli/cclioutput.h"
#include "platform/filekind.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vantoro {

namespace {

// Holds the report's lock for one read-decide-write.
class CLockedReport {
public:
    explicit CLockedReport(int fd) : m_fd(fd) {
        while (::flock(m_fd, LOCK_EX) != 0 && errno == EINTR) {
        }
    }
    ~CLockedReport() { ::flock(m_fd, LOCK_UN); }
    CLockedReport(const CLockedReport&) = delete;
    CLockedReport& operator=(const CLockedReport&) = delete;

private:
    int m_fd;
};

bool WriteWhole(int fd, const std::string& strData) {
    for (std::size_t done = 0; done < strData.size();) {
        const ssize_t n = ::write(fd, strData.data() + done, strData.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = ENOSPC;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

std::string CanonicalFolder(const std::string& strPath) {
    std::error_code ec;
    return std::filesystem::weakly_canonical(strPath, ec).lexically_normal().string();
}

// Why strPath must not be the report, or empty.
std::string ForbiddenReason(const std::string& strPath, const CReportFile::Forbidden& forbidden) {
    struct stat report {};
    const bool bExists = ::stat(strPath.c_str(), &report) == 0;
    for (const std::string& strFile : forbidden.files) {
        struct stat other {};
        if (bExists && !strFile.empty() && ::stat(strFile.c_str(), &other) == 0 &&
            SameFile(report, other))
            return "is " + strFile + ", which this run reads; give another file";
    }
    if (!forbidden.strFolder.empty()) {
        const std::string strParent =
            CanonicalFolder(std::filesystem::path(CanonicalFolder(strPath)).parent_path().string());
        if (strParent == CanonicalFolder(forbidden.strFolder))
            return "is in the software folder " + forbidden.strFolder +
                   ", where it could be taken for a code file; give another folder";
    }
    return {};
}

} // namespace

CReportFile::~CReportFile() {
    if (m_fd >= 0)
        ::close(m_fd);
}

bool CReportFile::Open(const std::string& strPath, bool bJson, const Forbidden& forbidden,
                       std::string& strError) {
    strError = ForbiddenReason(strPath, forbidden);
    if (!strError.empty())
        return false;
    // Never follows a FIFO into a blocking open, never writes into a device.
    m_fd = OpenRegularFile(strPath, O_RDWR | O_APPEND | O_CREAT, strError);
    if (m_fd < 0)
        return false;
    m_strPath = strPath;
    m_bJson = bJson;
    if (!CheckFormat(strError)) {
        ::close(m_fd);
        m_fd = -1;
        return false;
    }
    return true;
}

// A new CSV report gets its header; a report of the other format is refused. Under the lock, so
// of several runs starting one new report at once exactly one writes the header.
bool CReportFile::CheckFormat(std::string& strError) {
    CLockedReport lock(m_fd);
    char head[256] = {};
    ssize_t n;
    do {
        n = ::pread(m_fd, head, sizeof head - 1, 0);
    } while (n < 0 && errno == EINTR);
    if (n < 0) {
        strError = std::strerror(errno);
        return false;
    }
    const std::string strHead(head, static_cast<std::size_t>(n));
    const std::string strHeader = std::string(CCliOutput::CsvHeader()) + "\n";
    if (strHead.empty()) {
        if (m_bJson || WriteWhole(m_fd, strHeader))
            return true;
        strError = std::strerror(errno);
        ::ftruncate(m_fd, 0);
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
    if (m_fd < 0)
        return true;
    return AppendLine(m_bJson ? CCliOutput::ResultJson(result, false)
                              : CCliOutput::ResultCsv(result));
}

bool CReportFile::AppendLine(const std::string& strLine) {
    CLockedReport lock(m_fd);
    struct stat info {};
    if (::fstat(m_fd, &info) != 0) {
        m_strError = m_strPath + ": " + std::strerror(errno);
        return false;
    }
    // A line left without its line feed (a run killed mid-write elsewhere) is ended first, so
    // this one is never glued onto it.
    std::string strData = strLine + "\n";
    char last = '\n';
    if (info.st_size > 0 && ::pread(m_fd, &last, 1, info.st_size - 1) == 1 && last != '\n')
        strData.insert(strData.begin(), '\n');
    if (WriteWhole(m_fd, strData))
        return true;
    const int err = errno;
    // Half a line would be read as a record: the file goes back to where it ended.
    while (::ftruncate(m_fd, info.st_size) != 0 && errno == EINTR) {
    }
    if (m_strError.empty())
        m_strError = m_strPath + ": " + std::strerror(err);
    return false;
}

} // namespace vantoro

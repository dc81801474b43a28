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
        // By name too: a settings file not written yet is still the one the run would save to.
        const bool bSameName =
            !strFile.empty() && CanonicalFolder(strPath) == CanonicalFolder(strFile);
        if (bSameName || (bExists && !strFile.empty() && ::stat(strFile.c_str(), &other) == 0 &&
                          SameFile(report, other)))
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

CReportFile::OpenResult CReportFile::Open(const std::string& strPath, bool bJson,
                                          const Forbidden& forbidden, std::string& strError) {
    strError = ForbiddenReason(strPath, forbidden);
    if (!strError.empty())
        return OpenResult::Refused;
    const OpenResult opened = OpenFile(strPath, strError);
    if (opened != OpenResult::Opened)
        return opened;
    m_strPath = strPath;
    m_bJson = bJson;
    const OpenResult checked = CheckFormat(strError);
    if (checked != OpenResult::Opened) {
        ::close(m_fd);
        m_fd = -1;
        // A report that never held a line is not left behind to be taken for one.
        if (m_bCreated) {
            std::error_code ignored;
            std::filesystem::remove(strPath, ignored);
        }
    }
    return checked;
}

CReportFile::OpenResult CReportFile::OpenFile(const std::string& strPath, std::string& strError) {
    // Never follows a FIFO into a blocking open, never writes into a device. Whether the file is
    // new is known for certain, so that a failed start removes only a file of its own.
    for (int nTry = 0; nTry < 2; ++nTry) {
        m_fd = OpenRegularFile(strPath, O_RDWR | O_APPEND, strError);
        if (m_fd >= 0)
            return OpenResult::Opened;
        if (errno != ENOENT)
            break;
        m_fd = OpenRegularFile(strPath, O_RDWR | O_APPEND | O_CREAT | O_EXCL, strError);
        if (m_fd >= 0) {
            m_bCreated = true;
            return OpenResult::Opened;
        }
        if (errno != EEXIST)
            break;
    }
    // "it is a FIFO": a wrong argument; anything else is the system's refusal.
    return strError.compare(0, 6, "it is ") == 0 ? OpenResult::Refused : OpenResult::Failed;
}

// A new CSV report gets its header; a report of the other format is refused. Under the lock, so
// of several runs starting one new report at once exactly one writes the header.
CReportFile::OpenResult CReportFile::CheckFormat(std::string& strError) {
    CLockedReport lock(m_fd);
    char head[256] = {};
    ssize_t n;
    do {
        n = ::pread(m_fd, head, sizeof head - 1, 0);
    } while (n < 0 && errno == EINTR);
    if (n < 0) {
        strError = std::strerror(errno);
        return OpenResult::Failed;
    }
    const std::string strHead(head, static_cast<std::size_t>(n));
    const std::string strHeader = std::string(CCliOutput::CsvHeader()) + "\n";
    if (strHead.empty()) {
        if (m_bJson || WriteWhole(m_fd, strHeader))
            return OpenResult::Opened;
        strError = std::strerror(errno);
        ::ftruncate(m_fd, 0);
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
    if (m_fd < 0)
        return true;
    strLine = m_bJson ? CCliOutput::ResultJson(result, false) : CCliOutput::ResultCsv(result);
    return AppendLine(strLine);
}

bool CReportFile::AppendLine(const std::string& strLine) {
    CLockedReport lock(m_fd);
    struct stat info {};
    if (::fstat(m_fd, &info) != 0) {
        m_strError = m_strPath + ": " + std::strerror(errno);
        return false;
    }
    // Lines written to a file no folder holds any more are lost the moment the run ends.
    if (info.st_nlink == 0) {
        m_strError = m_strPath + ": the report (or its folder) was removed during the run";
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
    m_strError = m_strPath + ": " + std::strerror(err);
    return false;
}

} // namespace vantoro

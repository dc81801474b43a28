#include "platform/cprofilefile.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <string_view>
#include <vector>

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/cfilelock.h"
#include "platform/filekind.h"

namespace vantoro {

namespace {

// One line of the file, its line ending kept apart so untouched lines are written back as read.
struct ProfileLine {
    std::string strText; // without the line ending
    std::string strEnd;  // "\n", "\r\n" or "" for a last line without one
};

enum class LineKind { Other, Section, Key };

struct ParsedLine {
    LineKind kind = LineKind::Other;
    std::string_view name;  // section or key name, blanks trimmed
    std::string_view value; // key value, blanks trimmed
};

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

char FoldCase(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (FoldCase(a[i]) != FoldCase(b[i]))
            return false;
    }
    return true;
}

ParsedLine ParseLine(const std::string& strLine) {
    ParsedLine parsed;
    std::string_view text = Trim(strLine);
    if (text.empty() || text.front() == ';')
        return parsed;
    if (text.front() == '[') {
        std::size_t close = text.find(']');
        std::string_view name =
            close == std::string_view::npos ? text.substr(1) : text.substr(1, close - 1);
        parsed.kind = LineKind::Section;
        parsed.name = Trim(name);
        return parsed;
    }
    std::size_t equal = text.find('=');
    if (equal == std::string_view::npos)
        return parsed;
    parsed.kind = LineKind::Key;
    parsed.name = Trim(text.substr(0, equal));
    parsed.value = Trim(text.substr(equal + 1));
    return parsed;
}

std::vector<ProfileLine> SplitLines(const std::string& strContent) {
    std::vector<ProfileLine> lines;
    std::size_t pos = 0;
    while (pos < strContent.size()) {
        std::size_t lf = strContent.find('\n', pos);
        ProfileLine line;
        if (lf == std::string::npos) {
            line.strText = strContent.substr(pos);
            pos = strContent.size();
        } else {
            line.strText = strContent.substr(pos, lf - pos);
            line.strEnd = "\n";
            pos = lf + 1;
        }
        if (!line.strText.empty() && line.strText.back() == '\r') {
            line.strText.pop_back();
            line.strEnd = "\r" + line.strEnd;
        }
        lines.push_back(std::move(line));
    }
    return lines;
}

// Reads the whole file. Missing file: true with empty content and bExists false. Any other
// failure: false, also for anything that is no regular file (a FIFO would block the open, a
// device would read without end) and for a file beyond kMaxProfileFileSize, which no settings
// file of this program reaches: it is read as damaged, so defaults are used and it is never
// overwritten.
bool ReadWholeFile(const std::string& strFile, std::string& strContent, bool& bExists) {
    strContent.clear();
    bExists = false;
    int fd;
    do {
        fd = ::open(strFile.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return errno == ENOENT;
    bExists = true;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) ||
        info.st_size > static_cast<off_t>(kMaxProfileFileSize)) {
        ::close(fd);
        return false;
    }
    char buffer[8192];
    bool bOk = true;
    for (;;) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            bOk = false;
            break;
        }
        if (n == 0)
            break;
        strContent.append(buffer, static_cast<std::size_t>(n));
        if (strContent.size() > kMaxProfileFileSize) { // grew while being read
            bOk = false;
            break;
        }
    }
    ::close(fd);
    return bOk;
}

// The file a save replaces: the target of a symbolic link rather than the link itself.
std::string SaveTarget(const std::string& strFile) {
    std::error_code ec;
    if (std::filesystem::is_symlink(strFile, ec)) {
        std::filesystem::path resolved = std::filesystem::weakly_canonical(strFile, ec);
        if (!ec)
            return resolved.string();
    }
    return strFile;
}

std::string FolderOf(const std::string& strPath) {
    std::string strFolder = std::filesystem::path(strPath).parent_path().string();
    return strFolder.empty() ? "." : strFolder;
}

bool WriteAll(int fd, const std::string& strContent) {
    std::size_t done = 0;
    while (done < strContent.size()) {
        ssize_t n = ::write(fd, strContent.data() + done, strContent.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// Writes strContent to strFile through a temporary file in the same folder, fsync and rename.
// A file without a name in the folder, or -1 where the file system cannot make one.
int OpenUnnamedFileIn(const std::string& strFolder) {
#ifdef O_TMPFILE
    int fd;
    do {
        fd = ::open(strFolder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    } while (fd < 0 && errno == EINTR);
    return fd;
#else
    (void)strFolder;
    return -1;
#endif
}

// Links an unnamed file under a fresh name beside the target, ready for the rename.
bool NameUnnamedFile(int fd, const std::string& strTarget, std::string& strTemp) {
    const std::string strSelf = "/proc/self/fd/" + std::to_string(fd);
    for (int nTry = 0; nTry < 100; ++nTry) {
        strTemp = strTarget + ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(nTry);
        if (::linkat(AT_FDCWD, strSelf.c_str(), AT_FDCWD, strTemp.c_str(), AT_SYMLINK_FOLLOW) == 0)
            return true;
        if (errno != EEXIST)
            break;
    }
    strTemp.clear();
    return false;
}

// The owner and group of the file replaced go with its mode, so a save by root through a link
// to a user's file leaves that user's file, not a root-owned one.
struct FileOwnership {
    mode_t mode = 0644;
    bool bKnown = false;
    uid_t uid = 0;
    gid_t gid = 0;
};

bool WriteAndSync(int fd, const std::string& strContent, const FileOwnership& owner) {
    if (owner.bKnown && ::fchown(fd, owner.uid, owner.gid) != 0 && errno != EPERM)
        return false;
    return WriteAll(fd, strContent) && ::fchmod(fd, owner.mode) == 0 && ::fsync(fd) == 0;
}

// The new content goes first into an unnamed file, so a save killed half-way leaves nothing
// behind; it gets its temporary name only for the instant before the rename.
bool WriteUnnamedThenName(const std::string& strFolder, const std::string& strTarget,
                          const std::string& strContent, const FileOwnership& mode,
                          std::string& strTemp) {
    int fd = OpenUnnamedFileIn(strFolder);
    if (fd < 0)
        return false;
    bool bOk = WriteAndSync(fd, strContent, mode) && NameUnnamedFile(fd, strTarget, strTemp);
    if (::close(fd) != 0)
        bOk = false;
    if (!bOk && !strTemp.empty())
        ::unlink(strTemp.c_str());
    return bOk;
}

// Where the file system has no unnamed files: a named temporary beside the target.
bool WriteNamedTemporary(const std::string& strTarget, const std::string& strContent,
                         const FileOwnership& mode, std::string& strTemp) {
    strTemp = strTarget + ".tmpXXXXXX";
    std::vector<char> name(strTemp.begin(), strTemp.end());
    name.push_back('\0');
    int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) {
        strTemp.clear();
        return false;
    }
    strTemp.assign(name.data());
    bool bOk = WriteAndSync(fd, strContent, mode);
    if (::close(fd) != 0)
        bOk = false;
    return bOk;
}

// A save killed in the instant between naming its file and the rename leaves that name
// behind; the next save removes the ones whose process has gone. Names of live processes stay:
// they may be saves running right now.
void RemoveStaleTemporaries(const std::string& strTarget) {
    const std::filesystem::path target(strTarget);
    const std::string strPrefix = target.filename().string() + ".tmp";
    std::error_code ec;
    std::filesystem::directory_iterator it(
        target.parent_path().empty() ? "." : target.parent_path(), ec);
    for (; !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
        const std::string strName = it->path().filename().string();
        if (strName.rfind(strPrefix, 0) != 0)
            continue;
        char* pEnd = nullptr;
        const long nPid = std::strtol(strName.c_str() + strPrefix.size(), &pEnd, 10);
        if (nPid <= 0 || pEnd == nullptr || *pEnd != '-')
            continue;
        if (::kill(static_cast<pid_t>(nPid), 0) != 0 && errno == ESRCH)
            ::unlink(it->path().c_str());
    }
}

bool ReplaceFileAtomically(const std::string& strTarget, const std::string& strContent) {
    FileOwnership mode;
    struct stat st {};
    if (::stat(strTarget.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode))
            return false;
        mode.mode = st.st_mode & 07777;
        mode.bKnown = true;
        mode.uid = st.st_uid;
        mode.gid = st.st_gid;
    }
    const std::string strFolder = FolderOf(strTarget);

    std::string strTemp;
    bool bOk = WriteUnnamedThenName(strFolder, strTarget, strContent, mode, strTemp) ||
               WriteNamedTemporary(strTarget, strContent, mode, strTemp);
    if (bOk && ::rename(strTemp.c_str(), strTarget.c_str()) != 0)
        bOk = false;
    if (!bOk) {
        if (!strTemp.empty())
            ::unlink(strTemp.c_str());
        return false;
    }

    RemoveStaleTemporaries(strTarget);
    // Make the rename itself durable; a failure here no longer endangers the old content.
    int dirFd = ::open(strFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return true;
}

// Leading blanks (as scanf skips them), optional sign, digits. Returns the number of digits
// read; the magnitude accumulates through accumulate(digit).
template <typename Accumulate>
std::size_t ScanDigits(const std::string& strText, bool& bNegative, Accumulate accumulate) {
    std::size_t i = 0;
    while (i < strText.size() && (strText[i] == ' ' || (strText[i] >= '\t' && strText[i] <= '\r')))
        ++i;
    bNegative = false;
    if (i < strText.size() && (strText[i] == '+' || strText[i] == '-')) {
        bNegative = strText[i] == '-';
        ++i;
    }
    std::size_t digits = 0;
    while (i < strText.size() && strText[i] >= '0' && strText[i] <= '9') {
        accumulate(strText[i] - '0');
        ++i;
        ++digits;
    }
    return digits;
}

// Why the last save gave up on its folder's lock, for the user.
std::mutex& LockProblemMutex() {
    static std::mutex mutex;
    return mutex;
}

std::string& LastLockProblem() {
    static std::string strProblem;
    return strProblem;
}

} // namespace

std::string ProfileSaveLockProblem() {
    std::lock_guard<std::mutex> lock(LockProblemMutex());
    return LastLockProblem();
}

std::string GetPrivateProfileString(const std::string& strSection, const std::string& strKey,
                                    const std::string& strDefault, const std::string& strFile) {
    std::string strContent;
    bool bExists = false;
    std::string strResult = strDefault;
    if (ReadWholeFile(strFile, strContent, bExists) && bExists) {
        bool bInSection = false;
        bool bSeenSection = false;
        for (const ProfileLine& line : SplitLines(strContent)) {
            ParsedLine parsed = ParseLine(line.strText);
            if (parsed.kind == LineKind::Section) {
                if (bInSection)
                    break; // only the first section of that name is read
                bInSection = !bSeenSection && EqualNoCase(parsed.name, strSection);
                bSeenSection = bSeenSection || bInSection;
            } else if (bInSection && parsed.kind == LineKind::Key &&
                       EqualNoCase(parsed.name, strKey)) {
                strResult.assign(parsed.value);
                break;
            }
        }
    }
    if (strResult.size() > kProfileBufferSize - 1)
        strResult.resize(kProfileBufferSize - 1);
    return strResult;
}

std::uint32_t GetPrivateProfileInt(const std::string& strSection, const std::string& strKey,
                                   int nDefault, const std::string& strFile) {
    std::string strText = GetPrivateProfileString(strSection, strKey, "", strFile);
    std::uint32_t nValue = 0;
    bool bNegative = false;
    std::size_t digits = ScanDigits(strText, bNegative, [&](int d) {
        nValue = nValue * 10u + static_cast<std::uint32_t>(d); // wraps, as on Windows
    });
    if (digits == 0)
        return static_cast<std::uint32_t>(nDefault);
    return bNegative ? 0u - nValue : nValue;
}

// A line about to get a successor must end in a line feed; a bare carriage return (a file cut
// off after one) does not end a line for the reader, so the new line would be glued to it.
static void EndLine(ProfileLine& line, const std::string& strEnd) {
    if (line.strEnd.empty())
        line.strEnd = strEnd;
    else if (line.strEnd.back() != '\n')
        line.strEnd += '\n';
}

bool WritePrivateProfileString(const std::string& strSection, const std::string& strKey,
                               const std::string& strValue, const std::string& strFile) {
    if (strFile.empty())
        return false;
    const std::string strTarget = SaveTarget(strFile);
    if (!ProfileFileNotWritableReason(strFile).empty())
        return false;
    // Saves of every program using the file take turns: each reads, changes its key and writes
    // under the folder's lock (which holds across the rename), so none writes back a content
    // another has already replaced.
    const std::string strFolder = FolderOf(strTarget);
    CFileLock lock(strFolder, false);
    if (lock.IsHeldElsewhere()) {
        // Writing without the lock could undo the holder's save; this choice is not kept.
        std::lock_guard<std::mutex> guard(LockProblemMutex());
        LastLockProblem() = lock.Problem();
        return false;
    }
    std::string strContent;
    bool bExists = false;
    if (!ReadWholeFile(strTarget, strContent, bExists))
        return false; // never overwrite a file that could not be read

    // A line break inside the value would break the file's structure: keep its first line.
    std::string strLineValue = strValue.substr(0, strValue.find_first_of("\r\n"));

    std::vector<ProfileLine> lines = SplitLines(strContent);
    std::string strEnd = (!lines.empty() && lines.front().strEnd == "\r\n") ? "\r\n" : "\n";

    // Locate the first section of that name: its header, and its last non-blank line.
    std::size_t header = lines.size();
    std::size_t lastInSection = lines.size();
    std::size_t keyLine = lines.size();
    for (std::size_t i = 0; i < lines.size(); ++i) {
        ParsedLine parsed = ParseLine(lines[i].strText);
        if (parsed.kind == LineKind::Section) {
            if (header != lines.size())
                break;
            if (EqualNoCase(parsed.name, strSection)) {
                header = i;
                lastInSection = i;
            }
            continue;
        }
        if (header == lines.size())
            continue;
        if (!Trim(lines[i].strText).empty())
            lastInSection = i;
        if (parsed.kind == LineKind::Key && keyLine == lines.size() &&
            EqualNoCase(parsed.name, strKey))
            keyLine = i;
    }

    if (keyLine != lines.size()) {
        ParsedLine parsed = ParseLine(lines[keyLine].strText);
        lines[keyLine].strText = std::string(parsed.name) + "=" + strLineValue;
    } else if (header != lines.size()) {
        ProfileLine line{strKey + "=" + strLineValue, strEnd};
        EndLine(lines[lastInSection], strEnd);
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(lastInSection) + 1, line);
    } else {
        if (!lines.empty()) {
            EndLine(lines.back(), strEnd);
            if (!Trim(lines.back().strText).empty())
                lines.push_back(ProfileLine{"", strEnd});
        }
        lines.push_back(ProfileLine{"[" + strSection + "]", strEnd});
        lines.push_back(ProfileLine{strKey + "=" + strLineValue, strEnd});
    }

    std::string strOut;
    strOut.reserve(strContent.size() + strKey.size() + strLineValue.size() + 16);
    for (const ProfileLine& line : lines) {
        strOut += line.strText;
        strOut += line.strEnd;
    }
    return ReplaceFileAtomically(strTarget, strOut);
}

std::string ProfileFileNotWritableReason(const std::string& strFile) {
    const std::string strTarget = SaveTarget(strFile);
    struct stat info {};
    if (::stat(strTarget.c_str(), &info) != 0)
        return {}; // a new file: the folder decides, and the save says so
    if (!S_ISREG(info.st_mode))
        return strTarget + " is not saved to: it is " + FileKindText(info.st_mode);
    // Root may write anything, so the mode bits are what the owner said.
    if ((info.st_mode & 0222) == 0 || ::access(strTarget.c_str(), W_OK) != 0)
        return strTarget + " is read-only: the choices made now are not saved";
    if (info.st_size > static_cast<off_t>(kMaxProfileFileSize))
        return strTarget + " is too large to be a settings file: it is not read and not saved to";
    return {};
}

bool ScanDecimalInt(const std::string& strText, int& nValue) {
    std::int64_t nWide = 0;
    if (!ScanDecimalInt64(strText, nWide) || nWide < INT_MIN || nWide > INT_MAX)
        return false;
    nValue = static_cast<int>(nWide);
    return true;
}

bool ScanDecimalInt64(const std::string& strText, std::int64_t& nValue) {
    std::uint64_t nMagnitude = 0;
    bool bSaturated = false;
    bool bNegative = false;
    std::size_t digits = ScanDigits(strText, bNegative, [&](int d) {
        if (nMagnitude > (static_cast<std::uint64_t>(INT64_MAX) + 1 - d) / 10)
            bSaturated = true;
        else
            nMagnitude = nMagnitude * 10 + static_cast<std::uint64_t>(d);
    });
    if (digits == 0)
        return false;
    if (bNegative) {
        nValue = (bSaturated || nMagnitude > static_cast<std::uint64_t>(INT64_MAX))
                     ? INT64_MIN
                     : -static_cast<std::int64_t>(nMagnitude);
    } else {
        nValue = (bSaturated || nMagnitude > static_cast<std::uint64_t>(INT64_MAX))
                     ? INT64_MAX
                     : static_cast<std::int64_t>(nMagnitude);
    }
    return true;
}

} // namespace vantoro

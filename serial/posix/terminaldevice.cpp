#include "serial/terminaldevice.h"

#include "platform/filekind.h"

#include <filesystem>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace vantoro {

namespace {

// Pseudo-terminal slaves have no entry in sysfs; these majors are theirs.
constexpr unsigned kFirstPtySlaveMajor = 136;
constexpr unsigned kLastPtySlaveMajor = 143;

} // namespace

bool IsTerminalDevice(const std::string& strPath) {
    struct stat st {};
    if (::stat(strPath.c_str(), &st) != 0 || !S_ISCHR(st.st_mode))
        return false;
    const unsigned nMajor = major(st.st_rdev);
    if (nMajor >= kFirstPtySlaveMajor && nMajor <= kLastPtySlaveMajor)
        return true;
    std::error_code ec;
    const std::filesystem::path subsystem =
        std::filesystem::read_symlink("/sys/dev/char/" + std::to_string(nMajor) + ":" +
                                          std::to_string(minor(st.st_rdev)) + "/subsystem",
                                      ec);
    return !ec && subsystem.filename() == "tty";
}

std::string NotSerialPortName(const std::string& strPath) {
    struct stat st {};
    if (::stat(strPath.c_str(), &st) != 0 || IsTerminalDevice(strPath))
        return {};
    std::string strKind = FileKindText(st.st_mode);
    // "a regular file" reads "regular file" in brackets.
    for (const char* pszArticle : {"a ", "an "}) {
        if (strKind.rfind(pszArticle, 0) == 0)
            strKind.erase(0, std::char_traits<char>::length(pszArticle));
    }
    return "Not a Serial Port (" + strKind + ")";
}

} // namespace vantoro

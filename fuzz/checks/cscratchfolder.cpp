#include "fuzz/checks/cscratchfolder.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sys/stat.h>
#include <unistd.h>

namespace vantoro {

namespace {

constexpr char kPrefix[] = "vantoro-fuzz-";

// A fuzzer stops at a fault by aborting, so folders of finished processes are swept here: their
// names carry the process id ("vantoro-fuzz-<tag>-<pid>-<random>").
void RemoveFoldersOfEndedProcesses(const std::string& strBase) {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(strBase, error)) {
        const std::string strName = entry.path().filename().string();
        if (strName.rfind(kPrefix, 0) != 0) {
            continue;
        }
        const std::size_t nPidStart = strName.find('-', sizeof kPrefix - 1);
        const std::size_t nPidEnd = strName.find('-', nPidStart + 1);
        if (nPidStart == std::string::npos || nPidEnd == std::string::npos) {
            continue;
        }
        const long nPid = std::strtol(strName.c_str() + nPidStart + 1, nullptr, 10);
        if (nPid > 0 && nPid != ::getpid() && ::kill(static_cast<pid_t>(nPid), 0) != 0 &&
            errno == ESRCH) {
            std::error_code ignored;
            std::filesystem::remove_all(entry.path(), ignored);
        }
    }
}

} // namespace

CScratchFolder::CScratchFolder(const std::string& strTag) {
    struct stat st {};
    const std::string strBase =
        (::stat("/dev/shm", &st) == 0 && S_ISDIR(st.st_mode) && ::access("/dev/shm", W_OK) == 0)
            ? "/dev/shm"
            : std::filesystem::temp_directory_path().string();
    RemoveFoldersOfEndedProcesses(strBase);
    std::string strTemplate =
        strBase + "/" + kPrefix + strTag + "-" + std::to_string(::getpid()) + "-XXXXXX";
    if (::mkdtemp(strTemplate.data()) == nullptr) {
        std::abort(); // nothing can be checked without a folder to work in
    }
    m_strPath = strTemplate;
}

CScratchFolder::~CScratchFolder() {
    std::error_code error;
    std::filesystem::remove_all(m_strPath, error);
}

bool CScratchFolder::HoldsOnly(const std::string& strName) const {
    std::error_code error;
    int nCount = 0;
    for (const auto& entry : std::filesystem::directory_iterator(m_strPath, error)) {
        if (entry.path().filename() != strName) {
            return false;
        }
        ++nCount;
    }
    return !error && nCount == (strName.empty() ? 0 : 1);
}

bool CScratchFolder::WriteFile(const std::string& strPath, const std::string& strContent) {
    std::ofstream file(strPath, std::ios::binary | std::ios::trunc);
    file << strContent;
    file.close();
    return !file.fail();
}

bool CScratchFolder::ReadFile(const std::string& strPath, std::string& strContent) {
    std::ifstream file(strPath, std::ios::binary);
    strContent.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    return !file.bad();
}

} // namespace vantoro

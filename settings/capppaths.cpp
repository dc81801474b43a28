#include "settings/capppaths.h"

#include <cstdlib>
#include <filesystem>

#include <unistd.h>

namespace vantoro {

namespace {

bool IsAsciiLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

std::string WithTrailingSlash(std::string strFolder) {
    if (strFolder.empty() || strFolder.back() != '/')
        strFolder += '/';
    return strFolder;
}

} // namespace

std::string ProgramDirectoryOf(const std::string& strExePath) {
    std::size_t slash = strExePath.rfind('/');
    if (slash == std::string::npos)
        return "./";
    return strExePath.substr(0, slash + 1);
}

std::string SettingsFileNameOf(const std::string& strExePath) {
    std::size_t slash = strExePath.rfind('/');
    std::string strName = slash == std::string::npos ? strExePath : strExePath.substr(slash + 1);
    std::size_t n = strName.size();
    if (n >= 4 && strName[n - 4] == '.' && IsAsciiLetter(strName[n - 3]) &&
        IsAsciiLetter(strName[n - 2]) && IsAsciiLetter(strName[n - 1]))
        strName.resize(n - 4);
    return strName + ".INI";
}

std::string FallbackSettingsFolder(const EnvironmentLookup& getEnv) {
    std::string strValue;
    if (getEnv && getEnv("XDG_CONFIG_HOME", strValue) && !strValue.empty() &&
        strValue.front() == '/')
        return WithTrailingSlash(strValue) + "Vantoro/";
    strValue.clear();
    if (getEnv && getEnv("HOME", strValue) && !strValue.empty() && strValue.front() == '/')
        return WithTrailingSlash(strValue) + ".config/Vantoro/";
    return std::string();
}

CAppPaths ComputeAppPaths(const std::string& strExePath, const EnvironmentLookup& getEnv,
                          const WritableTest& isWritable) {
    CAppPaths paths;
    paths.strProgramDir = ProgramDirectoryOf(strExePath);
    std::string strName = SettingsFileNameOf(strExePath);
    std::string strFolder = paths.strProgramDir;
    if (!isWritable || !isWritable(strFolder)) {
        std::string strFallback = FallbackSettingsFolder(getEnv);
        if (!strFallback.empty())
            strFolder = strFallback;
    }
    paths.strSettingsPath = strFolder + strName;
    return paths;
}

EnvironmentLookup ProcessEnvironment() {
    return [](const std::string& strName, std::string& strValue) {
        const char* pszValue = std::getenv(strName.c_str());
        if (pszValue == nullptr)
            return false;
        strValue = pszValue;
        return true;
    };
}

bool IsFolderWritable(const std::string& strFolder) {
    // A package installs under /usr, which belongs to the package manager even when the user
    // (root) could write there: a settings file left there would outlive the package.
    if (strFolder.rfind("/usr/", 0) == 0)
        return false;
    return !strFolder.empty() && ::access(strFolder.c_str(), W_OK) == 0;
}

std::string ReadExecutablePath(const std::string& strFallback) {
    std::error_code ec;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (!ec && !exe.empty())
        return exe.string();
    if (strFallback.empty())
        return strFallback;
    std::filesystem::path absolute = std::filesystem::absolute(strFallback, ec);
    return ec ? strFallback : absolute.lexically_normal().string();
}

bool EnsureSettingsFolder(const std::string& strSettingsPath) {
    std::string strFolder = ProgramDirectoryOf(strSettingsPath);
    std::error_code ec;
    if (std::filesystem::is_directory(strFolder, ec))
        return true;
    std::filesystem::create_directories(strFolder, ec);
    return std::filesystem::is_directory(strFolder, ec);
}

CAppPaths LocateAppPaths(const std::string& strArgv0) {
    CAppPaths paths =
        ComputeAppPaths(ReadExecutablePath(strArgv0), ProcessEnvironment(), IsFolderWritable);
    EnsureSettingsFolder(paths.strSettingsPath);
    return paths;
}

} // namespace vantoro

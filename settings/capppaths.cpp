#include "settings/capppaths.h"

#include "platform/fspath.h"

#include <filesystem>

namespace vantoro {

namespace {

bool IsAsciiLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
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

bool EnsureSettingsFolder(const std::string& strSettingsPath) {
    const std::filesystem::path folder = FsPath(ProgramDirectoryOf(strSettingsPath));
    std::error_code ec;
    if (std::filesystem::is_directory(folder, ec))
        return true;
    std::filesystem::create_directories(folder, ec);
    return std::filesystem::is_directory(folder, ec);
}

CAppPaths LocateAppPaths(const std::string& strArgv0) {
    CAppPaths paths =
        ComputeAppPaths(ReadExecutablePath(strArgv0), ProcessEnvironment(), IsFolderWritable);
    EnsureSettingsFolder(paths.strSettingsPath);
    return paths;
}

} // namespace vantoro

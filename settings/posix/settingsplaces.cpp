#include "settings/capppaths.h"

#include <cstdlib>
#include <filesystem>

#include <unistd.h>

namespace vantoro {

namespace {

std::string WithTrailingSlash(std::string strFolder) {
    if (strFolder.empty() || strFolder.back() != '/')
        strFolder += '/';
    return strFolder;
}

} // namespace

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

} // namespace vantoro

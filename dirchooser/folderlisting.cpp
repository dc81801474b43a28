#include "dirchooser/folderlisting.h"

#include <filesystem>
#include <system_error>

#include "platform/fspath.h"

namespace vantoro {

std::vector<std::string> ListSubfolders(const std::string& strFolder) {
    namespace fs = std::filesystem;
    std::vector<std::string> names;
    std::error_code ec;
    fs::directory_iterator it(FsPath(strFolder), fs::directory_options::skip_permission_denied, ec);
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
        std::error_code ecEntry;
        std::string strName = Utf8Path(it->path().filename());
        if (!strName.empty() && strName[0] != '.' && it->is_directory(ecEntry))
            names.push_back(std::move(strName));
    }
    return names;
}

bool IsFolder(const std::string& strPath) {
    std::error_code ec;
    return std::filesystem::is_directory(FsPath(strPath), ec);
}

} // namespace vantoro

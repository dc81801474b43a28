#include "platform/fspath.h"

namespace vantoro {

std::filesystem::path FsPath(const std::string& strUtf8) {
    return std::filesystem::path(strUtf8);
}

std::string Utf8Path(const std::filesystem::path& path) {
    return path.string();
}

} // namespace vantoro

#include "platform/fspath.h"

#include "platform/win32/widetext.h"

namespace vantoro {

std::filesystem::path FsPath(const std::string& strUtf8) {
    return std::filesystem::path(WideText(strUtf8));
}

std::string Utf8Path(const std::filesystem::path& path) {
    return Utf8Text(path.wstring(), true);
}

} // namespace vantoro

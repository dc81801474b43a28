#pragma once

#include <filesystem>
#include <string>

// Paths are UTF-8 text with '/' between names inside the program. std::filesystem takes a
// narrow string in the system's code page on Windows, so paths cross over through these two.
namespace vantoro {

std::filesystem::path FsPath(const std::string& strUtf8);
// UTF-8, with '/' between names (Windows takes it as well as '\').
std::string Utf8Path(const std::filesystem::path& path);

} // namespace vantoro

#pragma once

#include <cstddef>
#include <string>

// What the settings file's reader and writer ask of the system: the file a save replaces, its
// folder, the atomic replacement, and whether a save may go ahead at all.
namespace vantoro {

// The file a save replaces: the target of a symbolic link rather than the link itself.
std::string SaveTarget(const std::string& strFile);
// The folder strPath lies in ("." for a bare name).
std::string FolderOf(const std::string& strPath);
// Writes strContent to strTarget through a temporary file in the same folder, flushed to disk,
// that then takes the target's place in one step; the old file is untouched on any failure.
bool ReplaceFileAtomically(const std::string& strTarget, const std::string& strContent);
// Why a save to strTarget (an existing file) would be refused: not a regular file, read-only, or
// larger than nMost. Empty when it may go ahead, also when strTarget does not exist yet.
std::string SaveRefusal(const std::string& strTarget, std::size_t nMost);

} // namespace vantoro

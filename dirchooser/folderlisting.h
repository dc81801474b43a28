#pragma once

#include <string>
#include <vector>

// What the directory chooser asks of the file system, in the program's UTF-8 paths: the chooser
// shows names as the user typed and sees them, whatever code page the system runs in.
namespace vantoro {

// The folders inside strFolder (UTF-8), by name, unsorted; dot-folders are left out, as every
// chooser on this system leaves them out (a typed path still opens them). Links to folders are
// folders to the user. An unreadable or missing folder has none.
std::vector<std::string> ListSubfolders(const std::string& strFolder);

// Whether strPath (UTF-8) names a folder, following links.
bool IsFolder(const std::string& strPath);

} // namespace vantoro

#pragma once

#include <string>
#include <vector>

// File search with the matching rules of FindFirstFileA/FindNextFileA on a case-sensitive file
// system (DESIGN.md "File search"). None of these functions throws.
namespace vantoro {

// Matches a file name against a pattern without regard to (ASCII) case: "*" matches any run of
// characters, "?" matches one character, and a run of "?" just before a "." or at the end of the
// pattern may also match fewer characters (so "verv???.s19" matches "verv12.s19"). A pattern
// ending in ".*" also matches names without a dot ("*.*" matches every name).
bool MatchFilePattern(const std::string& strPattern, const std::string& strName);

// Searches strPathPattern, a folder followed directly by a file pattern ("/code/verv???.s19"):
// the folder is everything up to and including the last '/' (the current folder when there is
// none), the pattern is the rest. Returns the bare names (no folder) of every entry that matches
// and is not a directory (a link to a directory counts as a directory), in the order the system
// lists them. A missing or unreadable folder gives an empty list.
std::vector<std::string> FindFiles(const std::string& strPathPattern);

// True when strPath names an existing directory.
bool IsExistingDirectory(const std::string& strPath);

// True when a file or directory of that path exists (existence only, access not tested).
bool PathExists(const std::string& strPath);

} // namespace vantoro

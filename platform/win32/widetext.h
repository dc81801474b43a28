#pragma once

#include <string>

// Paths and texts are UTF-8 inside the program; Windows takes them as UTF-16 at its edge.
namespace vantoro {

// UTF-8 to UTF-16 for the wide-character calls; forward slashes are kept (Windows takes both).
std::wstring WideText(const std::string& strUtf8);
// UTF-16 from Windows to UTF-8; backslashes become forward slashes when bPath, since the shared
// code takes paths apart at '/'.
std::string Utf8Text(const std::wstring& strWide, bool bPath = false);
// The system's own words for a GetLastError code, in UTF-8, without the trailing line break.
std::string SystemErrorText(unsigned long nError);

} // namespace vantoro

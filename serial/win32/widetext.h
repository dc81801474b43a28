#pragma once

#include <cstdint>
#include <string>

namespace vantoro {

// UTF-8 inside, UTF-16 at the Win32 calls.
std::wstring WideFromUtf8(const std::string& strText);
std::string Utf8FromWide(const std::wstring& strText);

// The system's text for a Win32 error code, without the trailing line break.
std::string SystemMessageText(std::uint32_t nError);

} // namespace vantoro

#include "serial/win32/widetext.h"

#include "serial/win32/windowsapi.h"

namespace vantoro {

std::wstring WideFromUtf8(const std::string& strText) {
    if (strText.empty())
        return {};
    const int nSize = static_cast<int>(strText.size());
    const int nWide = ::MultiByteToWideChar(CP_UTF8, 0, strText.data(), nSize, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(nWide), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, strText.data(), nSize, wide.data(), nWide);
    return wide;
}

std::string Utf8FromWide(const std::wstring& strText) {
    if (strText.empty())
        return {};
    const int nSize = static_cast<int>(strText.size());
    const int nBytes =
        ::WideCharToMultiByte(CP_UTF8, 0, strText.data(), nSize, nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(nBytes), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, strText.data(), nSize, text.data(), nBytes, nullptr, nullptr);
    return text;
}

std::string SystemMessageText(std::uint32_t nError) {
    wchar_t* pText = nullptr;
    const DWORD nLength = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, nError, 0, reinterpret_cast<wchar_t*>(&pText), 0, nullptr);
    std::wstring text = nLength && pText ? std::wstring(pText, nLength) : std::wstring();
    if (pText)
        ::LocalFree(pText);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' '))
        text.pop_back();
    return text.empty() ? "Error " + std::to_string(nError) : Utf8FromWide(text);
}

} // namespace vantoro

#include "platform/win32/widetext.h"

#include <windows.h>

namespace vantoro {

std::wstring WideText(const std::string& strUtf8) {
    if (strUtf8.empty())
        return std::wstring();
    const int nSize = static_cast<int>(strUtf8.size());
    const int nWide = ::MultiByteToWideChar(CP_UTF8, 0, strUtf8.data(), nSize, nullptr, 0);
    std::wstring strWide(static_cast<std::size_t>(nWide > 0 ? nWide : 0), L'\0');
    if (nWide > 0)
        ::MultiByteToWideChar(CP_UTF8, 0, strUtf8.data(), nSize, strWide.data(), nWide);
    return strWide;
}

std::string Utf8Text(const std::wstring& strWide, bool bPath) {
    if (strWide.empty())
        return std::string();
    const int nSize = static_cast<int>(strWide.size());
    const int nUtf8 =
        ::WideCharToMultiByte(CP_UTF8, 0, strWide.data(), nSize, nullptr, 0, nullptr, nullptr);
    std::string strUtf8(static_cast<std::size_t>(nUtf8 > 0 ? nUtf8 : 0), '\0');
    if (nUtf8 > 0)
        ::WideCharToMultiByte(CP_UTF8, 0, strWide.data(), nSize, strUtf8.data(), nUtf8, nullptr,
                              nullptr);
    if (bPath) {
        for (char& c : strUtf8) {
            if (c == '\\')
                c = '/';
        }
    }
    return strUtf8;
}

std::string SystemErrorText(unsigned long nError) {
    wchar_t* pszText = nullptr;
    const DWORD nLength = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, nError, 0, reinterpret_cast<wchar_t*>(&pszText), 0, nullptr);
    std::wstring strText = nLength > 0 ? std::wstring(pszText, nLength) : std::wstring();
    if (pszText != nullptr)
        ::LocalFree(pszText);
    while (!strText.empty() && (strText.back() == L'\n' || strText.back() == L'\r' ||
                                strText.back() == L' ' || strText.back() == L'.'))
        strText.pop_back();
    return strText.empty() ? "Windows error " + std::to_string(nError) : Utf8Text(strText);
}

} // namespace vantoro

// The maker's install path read from the registry, with the type rules of its installer's
// value: strings end with their terminator, an expandable one is not expanded, a list gives its
// first string, and anything else is nothing.
#include "platform/cinstallpath.h"
#include "platform/testtempfolder.h"

#include <gtest/gtest.h>

#include <windows.h>

using namespace vantoro;

namespace {

const wchar_t kKey[] = L"Software\\Quentar\\Proms\\Install";

class InstallRegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(::RegCreateKeyExW(HKEY_LOCAL_MACHINE, kKey, 0, nullptr, 0, KEY_ALL_ACCESS,
                                    nullptr, &m_hKey, nullptr),
                  ERROR_SUCCESS);
    }
    void TearDown() override {
        ::RegCloseKey(m_hKey);
        ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, kKey);
    }
    // The value as raw bytes of UTF-16 text, terminators included as given.
    void Store(DWORD nType, const std::wstring& strData) {
        ASSERT_EQ(::RegSetValueExW(m_hKey, L"Prom_Path", 0, nType,
                                   reinterpret_cast<const BYTE*>(strData.data()),
                                   static_cast<DWORD>(strData.size() * sizeof(wchar_t))),
                  ERROR_SUCCESS);
    }

    HKEY m_hKey = nullptr;
};

} // namespace

TEST_F(InstallRegistryTest, StringsWithTheirTerminatorGiveThePathAndOthersGiveNothing) {
    const struct {
        DWORD nType;
        std::wstring strData;
        const char* pszExpected; // nullptr: no install path
    } cases[] = {
        // (A string stored without its terminator cannot be had under Wine, whose registry
        // hands it out terminated.)
        {REG_SZ, std::wstring(L"C:\\Proms\0", 9), "C:/Proms"},
        {REG_EXPAND_SZ, std::wstring(L"%ROOT%\\Pr\u00fcf\0", 12),
         "%ROOT%/Pr\xC3\xBC"
         "f"},
        {REG_MULTI_SZ, std::wstring(L"D:\\A\0D:\\B\0\0", 11), "D:/A"},
        {REG_MULTI_SZ, std::wstring(L"D:\\A\0", 5), nullptr},
        {REG_SZ, std::wstring(L"\0", 1), nullptr},
        {REG_BINARY, std::wstring(L"C:\\Proms\0", 9), nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pszExpected ? c.pszExpected : "nothing");
        Store(c.nType, c.strData);
        std::string strPath = "unchanged";
        EXPECT_EQ(LookupInstallPath(strPath), c.pszExpected != nullptr);
        EXPECT_EQ(strPath, c.pszExpected ? c.pszExpected : "unchanged");
    }
    ::RegDeleteValueW(m_hKey, L"Prom_Path");
    std::string strPath;
    EXPECT_FALSE(LookupInstallPath(strPath));
}

TEST_F(InstallRegistryTest, AFileNamedInsteadIsReadAsOnLinux) {
    Store(REG_SZ, std::wstring(L"C:\\Proms\0", 9));
    test::CTempFolder tmp;
    test::WriteTextFile(tmp / "Install.ini", "[Install]\nProm_Path=E:/Other\n");
    std::string strPath;
    EXPECT_TRUE(LookupInstallPath(strPath, tmp / "Install.ini"));
    EXPECT_EQ(strPath, "E:/Other");
}

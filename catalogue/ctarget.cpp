#include "catalogue/ctarget.h"

#include "catalogue/cstringtable.h"
#include "platform/cfilesearch.h"
#include "platform/cprofilefile.h"

#include <algorithm>

namespace vantoro {

namespace {

// The per-platform keys are fixed texts of the program, not string-table rows.
constexpr const char kKeyVariant[] = "VARIANT";
constexpr const char kKeyWorkingDirectory[] = "WORKING_DIRECTORY";
constexpr const char kKeyVariantFile[] = "VARIANT_FILE";

unsigned char FoldCase(unsigned char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c - 'A' + 'a') : c;
}

// Case-insensitive comparison as _mbsicmp does it for ASCII: letters folded to lower case,
// other bytes (UTF-8 sequences included) compared by value, so multibyte characters stay whole.
int CompareNoCase(const std::string& a, const std::string& b) {
    std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        unsigned char ca = FoldCase(static_cast<unsigned char>(a[i]));
        unsigned char cb = FoldCase(static_cast<unsigned char>(b[i]));
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    if (a.size() == b.size())
        return 0;
    return a.size() < b.size() ? -1 : 1;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

void SortByVersionAt(std::vector<std::string>& files, std::size_t nStart) {
    for (std::size_t i = files.size(); i-- > 0;) {
        const std::string& strName = files[i];
        bool bVersion = strName.size() > nStart + 2 && IsDigit(strName[nStart]) &&
                        IsDigit(strName[nStart + 1]) && IsDigit(strName[nStart + 2]);
        if (!bVersion)
            files.erase(files.begin() + static_cast<std::ptrdiff_t>(i));
    }
    // Descending; names equal but for case are ordered by their bytes so the order is fixed.
    std::sort(files.begin(), files.end(), [](const std::string& a, const std::string& b) {
        int nCompare = CompareNoCase(a, b);
        return nCompare != 0 ? nCompare > 0 : a > b;
    });
}

// Index just past the last '/' or '\' of a path (0 when it has none).
std::size_t NamePartStart(const std::string& strPath) {
    std::size_t sep = strPath.find_last_of("/\\");
    return sep == std::string::npos ? 0 : sep + 1;
}

bool HasDriveColon(const std::string& strPath) {
    return strPath.size() >= 2 && strPath[1] == ':';
}

} // namespace

void SortByVersionAt4(std::vector<std::string>& files) {
    SortByVersionAt(files, 4);
}

void SortByVersionAt5(std::vector<std::string>& files) {
    SortByVersionAt(files, 5);
}

void CTarget::AddVariants(const VariantEntry* pVariants) {
    if (pVariants == nullptr)
        return;
    for (const VariantEntry* pRow = pVariants; pRow->nFilterId > 0; ++pRow) {
        m_variants.push_back(*pRow);
        ++m_nVariantCount;
    }
}

int CTarget::GetVariantNameId(int nIndex) const {
    if (nIndex < 0 || nIndex >= m_nVariantCount)
        return 0;
    return m_variants[static_cast<std::size_t>(nIndex)].nNameId;
}

int CTarget::GetVariantFilterId() const {
    if (m_nVariant < 0 || m_nVariant >= m_nVariantCount)
        return 0;
    return m_variants[static_cast<std::size_t>(m_nVariant)].nFilterId;
}

bool CTarget::SetWorkingDirectory(const std::string& strPath) {
    if (!IsExistingDirectory(strPath))
        return false;
    m_strWorkingDirectory = strPath;
    m_strVariantFile.clear();
    return true;
}

std::string CTarget::GetSoftwareDirectory() const {
    if (m_strVariantFile.empty())
        return m_strWorkingDirectory;
    std::size_t nameStart = NamePartStart(m_strVariantFile);
    if (nameStart > 0)
        return m_strVariantFile.substr(0, nameStart);
    return HasDriveColon(m_strVariantFile) ? m_strVariantFile.substr(0, 2) : std::string();
}

void CTarget::LoadSettings(const std::string& strDefaultDirectory,
                           const std::string& strProfileFile, const std::string& strInstallIni) {
    const std::string strSection = StringFromId(m_nSectionId);

    std::string strVariant = GetPrivateProfileString(strSection, kKeyVariant, "", strProfileFile);
    if (!strVariant.empty()) {
        for (int i = 0; i < m_nVariantCount; ++i) {
            if (StringFromId(GetVariantNameId(i)) == strVariant) {
                m_nVariant = i;
                break;
            }
        }
    }

    std::string strWorking =
        GetPrivateProfileString(strSection, kKeyWorkingDirectory, "", strProfileFile);
    bool bFound = false;
    if (!strWorking.empty()) {
        // A stored directory wins even when it no longer exists: the install path is not asked.
        bFound = SetWorkingDirectory(strWorking);
    } else {
        std::string strPromPath;
        if (LookupInstallPath(strPromPath, strInstallIni))
            bFound = SetWorkingDirectory(strPromPath + "/" + StringFromId(m_nFolderId) + "/");
    }
    if (!bFound)
        SetWorkingDirectory(strDefaultDirectory);

    std::string strFile = GetPrivateProfileString(strSection, kKeyVariantFile, "", strProfileFile);
    if (PathExists(strFile))
        m_strVariantFile = strFile;
    else
        m_strVariantFile.clear();
}

bool CTarget::SaveSettings(const std::string& strProfileFile) const {
    const std::string strSection = StringFromId(m_nSectionId);
    bool bOk = WritePrivateProfileString(
        strSection, kKeyVariant, StringFromId(GetVariantNameId(m_nVariant)), strProfileFile);
    bOk = WritePrivateProfileString(strSection, kKeyWorkingDirectory, m_strWorkingDirectory,
                                    strProfileFile) &&
          bOk;
    bOk =
        WritePrivateProfileString(strSection, kKeyVariantFile, m_strVariantFile, strProfileFile) &&
        bOk;
    return bOk;
}

const std::vector<std::string>& CTarget::FindSoftware() {
    m_softwareFiles.clear();

    if (!m_strVariantFile.empty()) {
        std::size_t nameStart = NamePartStart(m_strVariantFile);
        if (nameStart == 0 && HasDriveColon(m_strVariantFile))
            nameStart = 2;
        m_softwareFiles.push_back(m_strVariantFile.substr(nameStart));
        return m_softwareFiles;
    }

    const std::string strDirectory = GetSoftwareDirectory();
    const std::string strFilter = StringFromId(GetVariantFilterId());
    const int nBars = static_cast<int>(std::count(strFilter.begin(), strFilter.end(), '|'));
    const int nPairs = (nBars - 3) / 2; // cut toward zero; leaves out "All Files (*.*)|*.*||"

    std::size_t pos = 0;
    for (int n = 0; n < nPairs; ++n) {
        std::size_t first = strFilter.find('|', pos);
        std::size_t patternStart = first == std::string::npos ? 0 : first + 1;
        std::size_t second = strFilter.find('|', patternStart);
        std::string strPattern = strFilter.substr(
            patternStart, second == std::string::npos ? std::string::npos : second - patternStart);
        pos = second == std::string::npos ? strFilter.size() : second + 1;
        for (std::string& strName : FindFiles(strDirectory + strPattern))
            m_softwareFiles.push_back(std::move(strName));
    }

    if (m_nVariant >= 0 && m_nVariant < m_nVariantCount) {
        SoftwareSortFunction pfnSort = m_variants[static_cast<std::size_t>(m_nVariant)].pfnSort;
        if (pfnSort != nullptr)
            pfnSort(m_softwareFiles);
    }
    return m_softwareFiles;
}

std::string CTarget::GetSoftwarePath(int nIndex) const {
    if (nIndex < 0 || static_cast<std::size_t>(nIndex) >= m_softwareFiles.size())
        return std::string();
    return GetSoftwareDirectory() + m_softwareFiles[static_cast<std::size_t>(nIndex)];
}

} // namespace vantoro

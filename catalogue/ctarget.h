#pragma once

#include "platform/cinstallpath.h"

#include <string>
#include <vector>

namespace vantoro {

// Orders and thins a list of software file names in place.
using SoftwareSortFunction = void (*)(std::vector<std::string>& files);

// One model of a platform: a row of a static model table. A table ends at the first
// row whose filter ID is 0 or negative (an all-zero row).
struct VariantEntry {
    int nNameId = 0;                        // model name, also the "VARIANT" setting
    int nFilterId = 0;                      // file-dialog filter text
    SoftwareSortFunction pfnSort = nullptr; // SortByVersionAt4 or SortByVersionAt5
};

// One platform: a row of the static descriptor table. The table ends at the first
// row whose name ID is 0 or negative (an all-zero row).
struct TargetDescriptor {
    int nNameId = 0;
    int nSectionId = 0;
    int nDetectTextId = 0;
    int nHandshakeTextId = 0;
    int nBaudRateId = 0;
    int nFolderId = 0;
    int nCompleteStatusId = 0;
    int nCompleteActionId = 0;
    const VariantEntry* pVariants = nullptr;
};

// Keep names whose characters at s, s+1, s+2 are all decimal digits (s = 4 or 5),
// then order them descending by a case-insensitive comparison of the whole names.
void SortByVersionAt4(std::vector<std::string>& files);
void SortByVersionAt5(std::vector<std::string>& files);

// One platform of the catalogue: its string IDs, its models, the selected model, and its
// directory and file choices. A plain value class; copies are independent.
//
// Settings: LoadSettings and SaveSettings take the settings file's path as a parameter (the
// framework's process-wide profile name is not reproduced); the install-path file is a
// parameter too, so that tests use their own.
class CTarget {
public:
    CTarget() = default;

    void SetNameId(int nId) { m_nNameId = nId; }
    int GetNameId() const { return m_nNameId; }
    void SetSectionId(int nId) { m_nSectionId = nId; }
    void SetDetectTextId(int nId) { m_nDetectTextId = nId; }
    int GetDetectTextId() const { return m_nDetectTextId; }
    void SetHandshakeTextId(int nId) { m_nHandshakeTextId = nId; }
    int GetHandshakeTextId() const { return m_nHandshakeTextId; }
    void SetBaudRateId(int nId) { m_nBaudRateId = nId; }
    int GetBaudRateId() const { return m_nBaudRateId; }
    void SetFolderId(int nId) { m_nFolderId = nId; }
    void SetCompleteStatusId(int nId) { m_nCompleteStatusId = nId; }
    int GetCompleteStatusId() const { return m_nCompleteStatusId; }
    void SetCompleteActionId(int nId) { m_nCompleteActionId = nId; }
    int GetCompleteActionId() const { return m_nCompleteActionId; }

    // Appends every row before the end row (filter ID 0 or negative); nullptr appends nothing.
    void AddVariants(const VariantEntry* pVariants);
    int GetVariantCount() const { return m_nVariantCount; }
    // Name ID of model i when 0 <= i < GetVariantCount(), else 0 (whose text is empty).
    int GetVariantNameId(int nIndex) const;
    // Sets the model index and nothing else.
    void SetVariant(int nVariant) { m_nVariant = nVariant; }
    int GetVariant() const { return m_nVariant; }
    // Filter ID of the selected model; 0 when the index is outside the model table.
    int GetVariantFilterId() const;

    // Working directory, explicit file and the per-platform settings section.
    void SetVariantFile(const std::string& strPath) { m_strVariantFile = strPath; }
    const std::string& GetVariantFile() const { return m_strVariantFile; }
    // Existing directory only: stores the path as given, empties the variant file, true.
    // Otherwise nothing changes and the result is false.
    bool SetWorkingDirectory(const std::string& strPath);
    const std::string& GetWorkingDirectory() const { return m_strWorkingDirectory; }
    // The working directory, or the directory part (up to and including the last '/' or '\')
    // of the variant file when one is set.
    std::string GetSoftwareDirectory() const;
    // Restores model, working directory and variant file from this platform's section of
    // strProfileFile, with the install-path fall-back (strInstallIni) and strDefaultDirectory
    // (the program directory, ending with '/') as the last resort. Silent on every failure.
    void LoadSettings(const std::string& strDefaultDirectory, const std::string& strProfileFile,
                      const std::string& strInstallIni = kInstallIniPath);
    // Writes VARIANT, WORKING_DIRECTORY, VARIANT_FILE in this order; false if a write failed.
    bool SaveSettings(const std::string& strProfileFile) const;

    // Rebuilds and returns the list of software file names (bare names).
    const std::vector<std::string>& FindSoftware();
    const std::vector<std::string>& GetSoftwareFiles() const { return m_softwareFiles; }
    // GetSoftwareDirectory() followed directly by entry nIndex of the list; the empty text when
    // nIndex is not an index of the list (callers pass only valid indexes).
    std::string GetSoftwarePath(int nIndex) const;

private:
    int m_nDetectTextId = 0;
    int m_nHandshakeTextId = 0;
    int m_nBaudRateId = 0;
    int m_nVariant = 0;
    int m_nNameId = 0;
    int m_nSectionId = 0;
    int m_nVariantCount = 0;
    int m_nFolderId = 0;
    int m_nCompleteStatusId = 0;
    int m_nCompleteActionId = 0;
    std::vector<VariantEntry> m_variants;
    std::string m_strWorkingDirectory;
    std::string m_strVariantFile;
    std::vector<std::string> m_softwareFiles;
};

} // namespace vantoro

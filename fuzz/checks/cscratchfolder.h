#pragma once

#include <string>

namespace vantoro {

// A private folder for the files one fuzzing process works on, in memory-backed storage when the
// machine has it (the settings writer syncs every file it writes), removed when the process ends.
class CScratchFolder {
public:
    explicit CScratchFolder(const std::string& strTag);
    ~CScratchFolder();
    CScratchFolder(const CScratchFolder&) = delete;
    CScratchFolder& operator=(const CScratchFolder&) = delete;

    const std::string& GetPath() const { return m_strPath; }
    std::string FilePath(const std::string& strName) const { return m_strPath + "/" + strName; }

    // True when the folder holds exactly the names given (a lone name, or none when empty).
    bool HoldsOnly(const std::string& strName) const;

    static bool WriteFile(const std::string& strPath, const std::string& strContent);
    static bool ReadFile(const std::string& strPath, std::string& strContent);

private:
    std::string m_strPath;
};

} // namespace vantoro

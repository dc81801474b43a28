#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

namespace vantoro::test {

// A fresh folder below the system's temporary folder, removed with its contents at the end.
class CTempFolder {
public:
    CTempFolder() {
        std::string strTemplate = std::filesystem::temp_directory_path() / "vantoro-dir-XXXXXX";
        if (mkdtemp(strTemplate.data()))
            m_strPath = strTemplate;
    }
    ~CTempFolder() {
        std::error_code ec;
        std::filesystem::remove_all(m_strPath, ec);
    }
    const std::string& Path() const { return m_strPath; }
    std::string MakeDirs(const std::string& strRelative) const {
        std::filesystem::create_directories(m_strPath + "/" + strRelative);
        return m_strPath + "/" + strRelative;
    }

private:
    std::string m_strPath;
};

} // namespace vantoro::test

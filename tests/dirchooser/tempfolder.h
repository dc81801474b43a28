#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace vantoro::test {

// A fresh folder below the system's temporary folder, removed with everything in it at the end.
class CTempFolder {
public:
    CTempFolder() {
        std::string strTemplate = (std::filesystem::temp_directory_path() / "vantoro-dir-XXXXXX");
        if (mkdtemp(strTemplate.data()))
            m_path = strTemplate;
    }
    ~CTempFolder() {
        std::error_code ec;
        if (!m_path.empty())
            std::filesystem::remove_all(m_path, ec);
    }
    CTempFolder(const CTempFolder&) = delete;
    CTempFolder& operator=(const CTempFolder&) = delete;

    std::string Path() const { return m_path.string(); }
    std::string MakeDirs(const std::string& strRelative) const {
        std::filesystem::create_directories(m_path / strRelative);
        return (m_path / strRelative).string();
    }
    std::string WriteFile(const std::string& strRelative, const std::string& strText) const {
        const std::filesystem::path path = m_path / strRelative;
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << strText;
        return path.string();
    }

private:
    std::filesystem::path m_path;
};

} // namespace vantoro::test

#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

namespace vantoro::test {

// A fresh folder under the system's temporary folder, removed with everything in it.
class CTempFolder {
public:
    CTempFolder() {
        // A name nobody holds: create_directory says false when it was there already.
        std::random_device seed;
        std::error_code ec;
        const std::filesystem::path base = std::filesystem::temp_directory_path(ec);
        for (int nTry = 0; nTry < 100 && m_strPath.empty(); ++nTry) {
            const std::filesystem::path folder =
                base / ("vantoro-test-" + std::to_string(seed() % 100000000u));
            if (std::filesystem::create_directory(folder, ec))
                m_strPath = folder.generic_string() + "/";
        }
    }
    ~CTempFolder() {
        std::error_code ec;
        std::filesystem::remove_all(m_strPath, ec);
    }
    CTempFolder(const CTempFolder&) = delete;
    CTempFolder& operator=(const CTempFolder&) = delete;

    const std::string& Path() const { return m_strPath; } // ends with '/'
    std::string operator/(const std::string& strName) const { return m_strPath + strName; }

private:
    std::string m_strPath;
};

inline void WriteTextFile(const std::string& strPath, const std::string& strContent) {
    std::ofstream(strPath, std::ios::binary | std::ios::trunc) << strContent;
}

inline std::string ReadTextFile(const std::string& strPath) {
    std::ifstream in(strPath, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// "Prüfstand Ω" and "Größe" in UTF-8, as the program names files: names that a byte-wise or
// code-page conversion would mangle or refuse.
inline const std::string kNonAsciiFolderName = "Pr\xC3\xBC"
                                               "fstand \xCE\xA9";
inline const std::string kNonAsciiName = "Gr\xC3\xB6\xC3\x9F"
                                         "e";

inline void MakeFolder(const std::string& strPath) {
    std::filesystem::create_directories(strPath);
}

} // namespace vantoro::test

#include "platform/cfilesearch.h"

#include "platform/fspath.h"

#include <filesystem>
#include <vector>

namespace vantoro {

namespace {

char FoldCase(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Matcher over pattern position i and name position j, memoised so that patterns with many
// '*' stay linear in pattern length times name length.
class CPatternMatcher {
public:
    CPatternMatcher(const std::string& strPattern, const std::string& strName)
        : m_pattern(strPattern), m_name(strName),
          m_memo((strPattern.size() + 1) * (strName.size() + 1), kUnknown) {}

    bool Match(std::size_t i, std::size_t j) {
        char& memo = m_memo[i * (m_name.size() + 1) + j];
        if (memo == kUnknown)
            memo = Compute(i, j) ? kYes : kNo;
        return memo == kYes;
    }

private:
    static constexpr char kUnknown = 0, kYes = 1, kNo = 2;

    bool OnlyStarsFrom(std::size_t i) const {
        for (; i < m_pattern.size(); ++i) {
            if (m_pattern[i] != '*')
                return false;
        }
        return true;
    }

    bool Compute(std::size_t i, std::size_t j) {
        const std::size_t nPattern = m_pattern.size();
        const std::size_t nName = m_name.size();
        if (i == nPattern)
            return j == nName;
        char p = m_pattern[i];
        if (p == '*')
            return Match(i + 1, j) || (j < nName && Match(i, j + 1));
        if (p == '?') {
            if (j < nName && Match(i + 1, j + 1))
                return true;
            // A run of '?' before a '.' or at the pattern's end may match fewer characters.
            std::size_t k = i;
            while (k < nPattern && m_pattern[k] == '?')
                ++k;
            bool bRunEndsName = k == nPattern || m_pattern[k] == '.';
            bool bNameAtEnd = j == nName || m_name[j] == '.';
            return bRunEndsName && bNameAtEnd && Match(k, j);
        }
        if (p == '.' && j == nName && OnlyStarsFrom(i + 1))
            return true; // "name.*" and "name." also match a name without a dot
        return j < nName && FoldCase(p) == FoldCase(m_name[j]) && Match(i + 1, j + 1);
    }

    const std::string& m_pattern;
    const std::string& m_name;
    std::vector<char> m_memo;
};

} // namespace

bool MatchFilePattern(const std::string& strPattern, const std::string& strName) {
    CPatternMatcher matcher(strPattern, strName);
    return matcher.Match(0, 0);
}

std::vector<std::string> FindFiles(const std::string& strPathPattern) {
    namespace fs = std::filesystem;
    std::vector<std::string> names;
    std::size_t slash = strPathPattern.rfind('/');
    std::string strFolder = slash == std::string::npos ? "." : strPathPattern.substr(0, slash + 1);
    std::string strPattern =
        slash == std::string::npos ? strPathPattern : strPathPattern.substr(slash + 1);
    if (strPattern.empty())
        return names;

    std::error_code ec;
    fs::directory_iterator it(FsPath(strFolder), ec);
    if (ec)
        return names;
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        if (ec)
            break;
        std::error_code ecType;
        if (it->is_directory(ecType))
            continue;
        std::string strName = Utf8Path(it->path().filename());
        if (MatchFilePattern(strPattern, strName))
            names.push_back(std::move(strName));
    }
    return names;
}

bool IsExistingDirectory(const std::string& strPath) {
    if (strPath.empty())
        return false;
    std::error_code ec;
    return std::filesystem::is_directory(FsPath(strPath), ec);
}

bool PathExists(const std::string& strPath) {
    if (strPath.empty())
        return false;
    std::error_code ec;
    return std::filesystem::exists(FsPath(strPath), ec);
}

} // namespace vantoro

#include "fuzz/checks/ctextpattern.h"

namespace vantoro {

std::optional<std::vector<long long>>
CTextPattern::Match(std::string_view text, std::string_view format, std::string_view fill) {
    std::vector<long long> numbers;
    std::size_t nText = 0;
    for (std::size_t nFormat = 0; nFormat < format.size(); ++nFormat) {
        std::string_view literal = format.substr(nFormat, 1);
        if (format[nFormat] == '%' && nFormat + 1 < format.size()) {
            const char cKind = format[++nFormat];
            if (cKind == 'd') {
                const bool bNegative = nText < text.size() && text[nText] == '-';
                nText += bNegative ? 1 : 0;
                long long nValue = 0;
                const std::size_t nDigits = nText;
                while (nText < text.size() && text[nText] >= '0' && text[nText] <= '9' &&
                       nText - nDigits < 12) {
                    nValue = nValue * 10 + (text[nText++] - '0');
                }
                if (nText == nDigits || (text[nDigits] == '0' && nText - nDigits > 1)) {
                    return std::nullopt;
                }
                numbers.push_back(bNegative ? -nValue : nValue);
                continue;
            }
            literal = cKind == 's' ? fill : format.substr(nFormat, 1);
        }
        if (text.substr(nText, literal.size()) != literal) {
            return std::nullopt;
        }
        nText += literal.size();
    }
    if (nText != text.size()) {
        return std::nullopt;
    }
    return numbers;
}

} // namespace vantoro

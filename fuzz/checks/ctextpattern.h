#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantoro {

// Tells whether a finished text came from one of the program's formats: "%s" stands for one
// given text, "%d" for a decimal number (whose values are handed back), "%%" for a "%".
class CTextPattern {
public:
    static std::optional<std::vector<long long>>
    Match(std::string_view text, std::string_view format, std::string_view fill);
};

} // namespace vantoro

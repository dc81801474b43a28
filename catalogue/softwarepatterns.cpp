#include "catalogue/softwarepatterns.h"

#include "catalogue/cstringtable.h"

#include <algorithm>

namespace vantoro {

std::vector<std::string> SoftwarePatterns(const CTarget& target) {
    // "Text|pattern|Text|pattern|All Files (*.*)|*.*||": the pattern is every second field, and
    // the last pair is the catch-all that the search leaves out too.
    const std::string strFilter = StringFromId(target.GetVariantFilterId());
    std::vector<std::string> fields;
    std::size_t nStart = 0;
    for (std::size_t nBar; (nBar = strFilter.find('|', nStart)) != std::string::npos;
         nStart = nBar + 1)
        fields.push_back(strFilter.substr(nStart, nBar - nStart));
    std::vector<std::string> patterns;
    const int nBars = static_cast<int>(std::count(strFilter.begin(), strFilter.end(), '|'));
    const std::size_t nPairs = nBars > 3 ? static_cast<std::size_t>((nBars - 3) / 2) : 0;
    for (std::size_t i = 0; i < nPairs && 2 * i + 1 < fields.size(); ++i)
        patterns.push_back(fields[2 * i + 1]);
    return patterns;
}

std::string SoftwarePatternText(const CTarget& target) {
    std::string strText;
    for (const std::string& strPattern : SoftwarePatterns(target))
        strText += (strText.empty() ? "" : " or ") + strPattern;
    return strText;
}

std::string NoSoftwareText(const CTarget& target) {
    const std::string strModel = StringFromId(target.GetVariantNameId(target.GetVariant()));
    std::string strText = "No Software Found in " + target.GetSoftwareDirectory();
    const std::string strPatterns = SoftwarePatternText(target);
    if (!strPatterns.empty())
        strText += ": " + strModel + " takes files named " + strPatterns;
    return strText;
}

} // namespace vantoro

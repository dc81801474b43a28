#include "platform/cmessageregistry.h"

#include <algorithm>
#include <cctype>

namespace vantoro {

CMessageRegistry& CMessageRegistry::Instance() {
    static CMessageRegistry registry;
    return registry;
}

std::uint32_t CMessageRegistry::RegisterMessage(const std::string& strName) {
    if (strName.empty())
        return 0;
    // Registered names are compared without regard to case.
    std::string key = strName;
    std::transform(key.begin(), key.end(), key.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_numbers.find(key);
    if (it != m_numbers.end())
        return it->second;
    std::uint32_t number = m_nNext++;
    m_numbers.emplace(key, number);
    return number;
}

} // namespace vantoro

#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <string>

namespace vantoro {

// Hands out one message number per name for the life of the process, as the window system's
// message registration does, so the serial layer and the window agree on a number by name.
class CMessageRegistry {
public:
    // Numbers start where registered window messages start, above every fixed message.
    static constexpr std::uint32_t kFirstRegistered = 0xC000;

    static CMessageRegistry& Instance();

    // The same name always gives the same number; 0 for an empty name.
    std::uint32_t RegisterMessage(const std::string& strName);

private:
    std::mutex m_mutex;
    std::map<std::string, std::uint32_t> m_numbers;
    std::uint32_t m_nNext = kFirstRegistered;
};

} // namespace vantoro

#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace vantoro {

// The simulated equipment's flash: the bytes programmed so far, by address.
class CMemoryImage {
public:
    static constexpr std::uint32_t kMaxSpan = 64u * 1024u * 1024u;

    void Program(std::uint32_t nAddress, const std::vector<std::uint8_t>& data);
    bool IsEmpty() const { return m_bytes.empty(); }
    std::uint32_t Lowest() const { return m_bytes.empty() ? 0 : m_bytes.begin()->first; }
    std::size_t Size() const { return m_bytes.size(); }
    // From the lowest programmed address to the highest, unprogrammed bytes as erased flash (0xFF);
    // empty when nothing was programmed or the span exceeds kMaxSpan.
    std::vector<std::uint8_t> Contiguous() const;
    bool WriteBinary(const std::string& strPath) const;
    void Clear() { m_bytes.clear(); }

private:
    std::map<std::uint32_t, std::uint8_t> m_bytes;
};

} // namespace vantoro

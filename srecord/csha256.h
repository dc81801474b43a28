#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace vantoro {

// SHA-256, fed in pieces, so a code file is hashed as it is read and never held whole.
class CSha256 {
public:
    CSha256();
    void Update(const void* pData, std::size_t nLength);
    // The digest as 64 lower-case hex digits; the object is spent afterwards.
    std::string FinishHex();

    // The digest of a file's bytes; the empty text when it cannot be read.
    static std::string OfFile(const std::string& strPath);

private:
    void Compress(const std::uint8_t* pBlock);

    std::array<std::uint32_t, 8> m_state;
    std::array<std::uint8_t, 64> m_block{};
    std::size_t m_nBlockUsed = 0;
    std::uint64_t m_nTotalBytes = 0;
};

} // namespace vantoro

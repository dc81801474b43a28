#include "sim/cmemoryimage.h"

#include <cstdio>

namespace vantoro {

void CMemoryImage::Program(std::uint32_t nAddress, const std::vector<std::uint8_t>& data) {
    for (std::uint8_t nByte : data) {
        m_bytes[nAddress++] = nByte;
    }
}

std::vector<std::uint8_t> CMemoryImage::Contiguous() const {
    std::vector<std::uint8_t> image;
    if (m_bytes.empty()) {
        return image;
    }
    const std::uint32_t nBase = m_bytes.begin()->first;
    if (m_bytes.rbegin()->first - nBase >= kMaxSpan) {
        return image; // too sparse to lay out as one binary
    }
    image.assign(static_cast<std::size_t>(m_bytes.rbegin()->first - nBase) + 1, 0xFF);
    for (const auto& [nAddress, nByte] : m_bytes) {
        image[nAddress - nBase] = nByte;
    }
    return image;
}

bool CMemoryImage::WriteBinary(const std::string& strPath) const {
    std::FILE* pFile = std::fopen(strPath.c_str(), "wb");
    if (pFile == nullptr) {
        return false;
    }
    const std::vector<std::uint8_t> image = Contiguous();
    if (image.empty() != m_bytes.empty()) {
        std::fclose(pFile);
        return false;
    }
    const bool bOk = std::fwrite(image.data(), 1, image.size(), pFile) == image.size();
    return std::fclose(pFile) == 0 && bOk;
}

} // namespace vantoro

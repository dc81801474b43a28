#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace vantoro {

// Hands out a fuzz input piece by piece; an exhausted input yields zeros and empty texts, so a
// short input is still a complete, valid run.
class CFuzzInput {
public:
    CFuzzInput(const std::uint8_t* pData, std::size_t nSize) : m_pData(pData), m_nSize(nSize) {}

    bool IsEmpty() const { return m_nPos >= m_nSize; }
    std::size_t Remaining() const { return m_nSize - m_nPos; }

    std::uint8_t TakeByte() { return IsEmpty() ? 0 : m_pData[m_nPos++]; }

    std::uint32_t TakeUint32() {
        std::uint32_t nValue = 0;
        for (int i = 0; i < 4; ++i) {
            nValue |= static_cast<std::uint32_t>(TakeByte()) << (8 * i);
        }
        return nValue;
    }

    std::string TakeText(std::size_t nLength) {
        const std::size_t nTaken = nLength < Remaining() ? nLength : Remaining();
        std::string strText(reinterpret_cast<const char*>(m_pData + m_nPos), nTaken);
        m_nPos += nTaken;
        return strText;
    }

    std::string TakeRest() { return TakeText(Remaining()); }

private:
    const std::uint8_t* m_pData;
    std::size_t m_nSize;
    std::size_t m_nPos = 0;
};

} // namespace vantoro

#include "srecord/csha256.h"

#include "platform/cregularfile.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace vantoro {

namespace {

constexpr std::uint32_t kRound[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2,
};

constexpr std::uint32_t Rotr(std::uint32_t x, int n) {
    return (x >> n) | (x << (32 - n));
}

} // namespace

CSha256::CSha256()
    : m_state{0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
              0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19} {}

void CSha256::Compress(const std::uint8_t* pBlock) {
    std::uint32_t w[64];
    for (int i = 0; i < 16; ++i)
        w[i] = static_cast<std::uint32_t>(pBlock[i * 4]) << 24 |
               static_cast<std::uint32_t>(pBlock[i * 4 + 1]) << 16 |
               static_cast<std::uint32_t>(pBlock[i * 4 + 2]) << 8 | pBlock[i * 4 + 3];
    for (int i = 16; i < 64; ++i) {
        const std::uint32_t s0 = Rotr(w[i - 15], 7) ^ Rotr(w[i - 15], 18) ^ (w[i - 15] >> 3);
        const std::uint32_t s1 = Rotr(w[i - 2], 17) ^ Rotr(w[i - 2], 19) ^ (w[i - 2] >> 10);
        w[i] = w[i - 16] + s0 + w[i - 7] + s1;
    }
    std::uint32_t a = m_state[0], b = m_state[1], c = m_state[2], d = m_state[3];
    std::uint32_t e = m_state[4], f = m_state[5], g = m_state[6], h = m_state[7];
    for (int i = 0; i < 64; ++i) {
        const std::uint32_t t1 =
            h + (Rotr(e, 6) ^ Rotr(e, 11) ^ Rotr(e, 25)) + ((e & f) ^ (~e & g)) + kRound[i] + w[i];
        const std::uint32_t t2 =
            (Rotr(a, 2) ^ Rotr(a, 13) ^ Rotr(a, 22)) + ((a & b) ^ (a & c) ^ (b & c));
        h = g;
        g = f;
        f = e;
        e = d + t1;
        d = c;
        c = b;
        b = a;
        a = t1 + t2;
    }
    const std::uint32_t add[8] = {a, b, c, d, e, f, g, h};
    for (int i = 0; i < 8; ++i)
        m_state[i] += add[i];
}

void CSha256::Update(const void* pData, std::size_t nLength) {
    const auto* p = static_cast<const std::uint8_t*>(pData);
    m_nTotalBytes += nLength;
    // Whole blocks straight from the caller's bytes, without a copy.
    while (m_nBlockUsed == 0 && nLength >= m_block.size()) {
        Compress(p);
        p += m_block.size();
        nLength -= m_block.size();
    }
    while (nLength > 0) {
        const std::size_t nTake = std::min(nLength, m_block.size() - m_nBlockUsed);
        std::memcpy(m_block.data() + m_nBlockUsed, p, nTake);
        m_nBlockUsed += nTake;
        p += nTake;
        nLength -= nTake;
        if (m_nBlockUsed == m_block.size()) {
            Compress(m_block.data());
            m_nBlockUsed = 0;
        }
    }
}

std::string CSha256::FinishHex() {
    const std::uint64_t nBits = m_nTotalBytes * 8;
    const std::uint8_t nPad = 0x80;
    Update(&nPad, 1);
    const std::uint8_t nZero = 0;
    while (m_nBlockUsed != 56)
        Update(&nZero, 1);
    std::uint8_t length[8];
    for (int i = 0; i < 8; ++i)
        length[i] = static_cast<std::uint8_t>(nBits >> (56 - 8 * i));
    Update(length, sizeof(length));
    std::string strHex;
    char szWord[9];
    for (std::uint32_t nWord : m_state) {
        std::snprintf(szWord, sizeof(szWord), "%08x", nWord);
        strHex += szWord;
    }
    return strHex;
}

std::string CSha256::OfFile(const std::string& strPath) {
    // A FIFO or a device put where the code file was would block or read without end.
    std::string strWhy;
    CRegularFile file;
    if (!file.Open(strPath, strWhy))
        return {};
    CSha256 hash;
    char buffer[65536];
    for (;;) {
        const std::ptrdiff_t n = file.Read(buffer, sizeof(buffer));
        if (n < 0)
            return {};
        if (n == 0)
            return hash.FinishHex();
        hash.Update(buffer, static_cast<std::size_t>(n));
    }
}

} // namespace vantoro

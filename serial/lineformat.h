#pragma once

#include <cstdint>

namespace vantoro {

// The line as the port classes see it, in their own value sets.
struct LineFormat {
    std::uint32_t nBaudRate = 0;
    int nDataBits = 8;
    int nParity = 0;    // NOPARITY .. SPACEPARITY
    int nStopBits = 0;  // ONESTOPBIT or TWOSTOPBITS
    int nHandshake = 0; // HandshakeMode
};

} // namespace vantoro

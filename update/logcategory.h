#pragma once

#include <cstdint>

namespace vantoro {

// One bit per kind of log line, so the window's filter can show any mix of them.
enum LogCategory : std::uint32_t {
    LogApplication = 0x01,
    LogSystem = 0x02,
    LogHighLevelComms = 0x04,
    LogLowLevelComms = 0x08,
    LogDebug = 0x10,
};

// Everything but the per-event serial chatter.
constexpr std::uint32_t kDefaultLogFilter = 23;

} // namespace vantoro

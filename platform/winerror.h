#pragma once

#include <cstdint>

// The result codes the program reports are those of the Windows calls it was written against;
// the Linux layers map their errno values onto these so that texts and logs stay the same.
namespace vantoro {

constexpr std::uint32_t kErrorSuccess = 0;
constexpr std::uint32_t kErrorInvalidFunction = 1;
constexpr std::uint32_t kErrorFileNotFound = 2;
constexpr std::uint32_t kErrorAccessDenied = 5;
constexpr std::uint32_t kErrorInvalidHandle = 6;
constexpr std::uint32_t kErrorNotEnoughMemory = 8;
constexpr std::uint32_t kErrorGenFailure = 31;
constexpr std::uint32_t kErrorInvalidParameter = 87;
constexpr std::uint32_t kErrorIoPending = 997;
constexpr std::uint32_t kErrorAlreadyInitialized = 1247;
constexpr std::uint32_t kErrorTimeout = 1460;
constexpr std::uint32_t kEInvalidArg = 0x80070057u;

constexpr std::uint32_t kInfinite = 0xFFFFFFFFu;

} // namespace vantoro

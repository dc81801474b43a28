#include "platform/ctickclock.h"

#include <chrono>

namespace vantoro {

std::uint32_t CSystemTickSource::GetTickCount() const {
    using namespace std::chrono;
    auto ms = duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(ms));
}

ITickSource& SystemTicks() {
    static CSystemTickSource source;
    return source;
}

} // namespace vantoro

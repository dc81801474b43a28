#pragma once

#include <ctime>

// A moment taken apart into calendar fields, safely from any thread.
namespace vantoro {

// False when the moment cannot be represented (parts then stay as they were).
bool UtcCalendarTime(std::time_t when, std::tm& parts);
bool LocalCalendarTime(std::time_t when, std::tm& parts);

} // namespace vantoro

#include "platform/calendartime.h"

namespace vantoro {

bool UtcCalendarTime(std::time_t when, std::tm& parts) {
    return ::gmtime_r(&when, &parts) != nullptr;
}

bool LocalCalendarTime(std::time_t when, std::tm& parts) {
    return ::localtime_r(&when, &parts) != nullptr;
}

} // namespace vantoro

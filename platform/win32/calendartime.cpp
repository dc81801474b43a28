#include "platform/calendartime.h"

namespace vantoro {

bool UtcCalendarTime(std::time_t when, std::tm& parts) {
    return ::gmtime_s(&parts, &when) == 0;
}

bool LocalCalendarTime(std::time_t when, std::tm& parts) {
    return ::localtime_s(&parts, &when) == 0;
}

} // namespace vantoro

#include "platform/clock/utc_clock.h"

#include <ctime>

namespace platform {

utc_time system_utc_clock::now_utc() const
{
    timespec now {};
    ::clock_gettime(CLOCK_REALTIME, &now);
    std::tm parts {};
    ::gmtime_r(&now.tv_sec, &parts);
    return {parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec,
        static_cast<int>(now.tv_nsec / 1000000)};
}

}

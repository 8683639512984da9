#include "platform/clock/clock.h"

#include <array>

namespace platform {

clock::clock(const char* time_locale_name)
{
    locale_ = newlocale(LC_TIME_MASK, time_locale_name ? time_locale_name : "C", static_cast<locale_t>(0));
    if (!locale_)
        locale_ = newlocale(LC_TIME_MASK, "C", static_cast<locale_t>(0));
}

clock::~clock()
{
    if (locale_)
        freelocale(locale_);
}

std::string clock::format(const char* pattern, const std::tm& when) const
{
    std::array<char, 256> buffer {};
    auto length = strftime_l(buffer.data(), buffer.size(), pattern, &when, locale_);
    return std::string(buffer.data(), length);
}

std::tm system_clock::local_now() const
{
    std::time_t now = std::time(nullptr);
    std::tm local {};
    localtime_r(&now, &local);
    return local;
}

}

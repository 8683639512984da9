#pragma once

#include <ctime>
#include <locale.h>
#include <string>

namespace platform {

// Local calendar time, and the short date and time texts of the user's LC_TIME locale
// (strftime "%x" and "%X"; the C locale when the environment's cannot be loaded).
class clock {
public:
    explicit clock(const char* time_locale_name);
    virtual ~clock();
    clock(const clock&) = delete;
    clock& operator=(const clock&) = delete;

    virtual std::tm local_now() const = 0;

    std::string short_date(const std::tm& when) const { return format("%x", when); }
    std::string short_time(const std::tm& when) const { return format("%X", when); }

private:
    std::string format(const char* pattern, const std::tm& when) const;

    locale_t locale_;
};

class system_clock final : public clock {
public:
    // The locale named by LC_ALL, LC_TIME or LANG of the given values, in that order.
    explicit system_clock(const char* time_locale_name) : clock(time_locale_name) { }
    std::tm local_now() const override;
};

}

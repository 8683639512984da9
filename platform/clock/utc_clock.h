#pragma once

namespace platform {

// A calendar instant in UTC to the millisecond.
struct utc_time {
    int year = 1970;
    int month = 1;  // 1-12
    int day = 1;    // 1-31
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
};

class utc_clock {
public:
    virtual ~utc_clock() = default;
    virtual utc_time now_utc() const = 0;
};

class system_utc_clock final : public utc_clock {
public:
    utc_time now_utc() const override;
};

}

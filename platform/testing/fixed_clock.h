#pragma once

#include "platform/clock/clock.h"

namespace platform::testing {

// Always 2026-12-10 14:03:05 unless told otherwise; C locale dates ("12/10/26 14:03:05").
class fixed_clock final : public platform::clock {
public:
    fixed_clock() : platform::clock("C")
    {
        now_.tm_year = 2026 - 1900;
        now_.tm_mon = 11;
        now_.tm_mday = 10;
        now_.tm_hour = 14;
        now_.tm_min = 3;
        now_.tm_sec = 5;
    }
    std::tm local_now() const override { return now_; }
    void set(const std::tm& when) { now_ = when; }

private:
    std::tm now_ {};
};

}

#pragma once

#include <chrono>

namespace platform::ui {

// Milliseconds on a steady clock, for timers. Tests use a manual clock.
class tick_clock {
public:
    virtual ~tick_clock() = default;
    virtual std::chrono::milliseconds now() const = 0;
};

class steady_tick_clock final : public tick_clock {
public:
    std::chrono::milliseconds now() const override
    {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now().time_since_epoch());
    }
};

}

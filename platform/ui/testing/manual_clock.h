#pragma once

#include "platform/ui/tick_clock.h"

namespace platform::ui::testing {

// A clock that moves only when the test says so.
class ManualClock final : public tick_clock {
public:
    std::chrono::milliseconds now() const override { return now_; }
    void advance(std::chrono::milliseconds by) { now_ += by; }

private:
    std::chrono::milliseconds now_ {1000};
};

}

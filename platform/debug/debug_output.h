#pragma once

#include <string_view>

namespace platform::debug {

// Where debugger output goes. The real sink writes each text with one write(2) to
// stderr when TALVERIN_DEBUG_OUTPUT is set in the environment, and nowhere otherwise.
class sink {
public:
    virtual ~sink() = default;
    virtual void write(std::string_view text) = 0;
};

class stderr_sink final : public sink {
public:
    explicit stderr_sink(bool enabled) : enabled_(enabled) { }
    void write(std::string_view text) override;

private:
    bool enabled_;
};

}

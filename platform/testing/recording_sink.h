#pragma once

#include "platform/debug/debug_output.h"

#include <mutex>
#include <string>
#include <vector>

namespace platform::testing {

class recording_sink final : public debug::sink {
public:
    void write(std::string_view text) override
    {
        std::lock_guard guard(mutex_);
        texts_.emplace_back(text);
    }
    std::vector<std::string> texts() const
    {
        std::lock_guard guard(mutex_);
        return texts_;
    }

private:
    mutable std::mutex mutex_;
    std::vector<std::string> texts_;
};

}

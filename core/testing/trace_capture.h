#pragma once

#include "core/log/trace_log.h"
#include "platform/testing/recording_sink.h"
#include "platform/testing/temporary_folder.h"

#include <optional>
#include <string>
#include <vector>

namespace core::testing {

// Captures trace lines while it lives; logging is on unless `enabled` is false.
class trace_capture {
public:
    explicit trace_capture(bool enabled = true)
        : logger_({folder_.file("trace.log"), nullptr, &sink_, [] { return std::optional<std::string>("test"); }})
        , previous_(core::trace_enabled.load())
    {
        core::install_trace_logger(&logger_);
        core::trace_enabled = enabled ? 1 : 0;
    }
    ~trace_capture()
    {
        core::trace_enabled = previous_;
        core::install_trace_logger(nullptr);
    }

    // The lines written, without the operating-system line.
    std::vector<std::string> lines() const
    {
        std::vector<std::string> result;
        for (const std::string& line : sink_.texts())
            if (line.find("OS: ") == std::string::npos)
                result.push_back(line);
        return result;
    }

private:
    platform::testing::temporary_folder folder_;
    platform::testing::recording_sink sink_;
    core::trace_logger logger_;
    int previous_;
};

}

#pragma once

#include "platform/process/process.h"

#include <deque>
#include <string>
#include <vector>

namespace platform::testing {

// Records every run (program, arguments, folder and streams) and answers with the scripted results in
// order; an unscripted run exits with 0 and no output.
class scripted_runner final : public process::runner {
public:
    struct call {
        std::string program;
        std::vector<std::string> arguments;
        std::string folder;
        process::spawn_options options;
    };

    void answer(process::run_result result) { answers_.push_back(std::move(result)); }
    const std::vector<call>& calls() const { return calls_; }

    process::run_result run(const std::string& program, const std::vector<std::string>& arguments,
        const process::spawn_options& options) override
    {
        calls_.push_back({program, arguments, options.folder, options});
        if (answers_.empty()) {
            process::run_result result;
            result.started = true;
            result.exit_code = 0;
            return result;
        }
        auto result = std::move(answers_.front());
        answers_.pop_front();
        return result;
    }

private:
    std::vector<call> calls_;
    std::deque<process::run_result> answers_;
};

}

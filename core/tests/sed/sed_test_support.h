#pragma once

#include "core/sed/sed_command.h"
#include "core/sed/sed_engine.h"

#include <string>
#include <vector>

namespace sed_test {

struct outcome {
    int status = 0;
    std::string output;
    std::vector<std::string> messages;
};

// Runs our engine over the input with an in-memory file set and a recording error sink.
inline outcome run(const std::vector<std::string>& arguments, const std::string& input,
    hevtools::sed::memory_file_opener* files = nullptr, std::uint64_t branch_limit = 0, std::size_t space_limit = 0)
{
    hevtools::sed::memory_file_opener own_files;
    hevtools::sed::recording_error_sink sink;
    hevtools::sed::engine_options options;
    options.errors = &sink;
    options.files = files ? files : &own_files;
    if (branch_limit)
        options.branch_limit = branch_limit;
    if (space_limit)
        options.space_limit = space_limit;
    std::vector<std::string> argv {"sed"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    core::sed_command command(argv);
    command.set_engine_options(options);
    auto result = command.run_on_text_with_status(input);
    return {result.status, result.output, sink.messages};
}

// Shorthand: one script, optional -n.
inline std::string output_of(const std::string& script, const std::string& input)
{
    return run({"-e", script}, input).output;
}

}

#pragma once

// Shared by the sed fuzz targets: an in-memory file set, lowered limits, and the rule that a
// run ends with status 0, 1 or 2 whatever the script.
#include "core/sed/sed_command.h"

#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace sed_fuzz {

// Back references over repeated elements can take time exponential in the text; the engine
// matches them faithfully, so such scripts are left out instead of timing the fuzzer out.
inline bool slow_by_design(std::string_view script)
{
    bool reference = false;
    for (std::size_t i = 0; i + 1 < script.size(); ++i)
        if (script[i] == '\\' && script[i + 1] >= '1' && script[i + 1] <= '9')
            reference = true;
    return reference && script.find_first_of("*+{") != std::string_view::npos;
}

inline void run(std::vector<std::string> arguments, std::string_view input, hevtools::sed::memory_file_opener& files,
    std::istream* script_stream = nullptr)
{
    hevtools::sed::recording_error_sink sink;
    hevtools::sed::engine_options options;
    options.errors = &sink;
    options.files = &files;
    options.script_stream = script_stream;
    options.branch_limit = 1000;
    options.space_limit = std::size_t(1) << 20;
    core::sed_command command(std::move(arguments));
    command.set_engine_options(options);
    auto result = command.run_on_text_with_status(input);
    if (result.status < 0 || result.status > 2)
        std::abort();
}

inline hevtools::sed::memory_file_opener sample_files()
{
    hevtools::sed::memory_file_opener files;
    files.files["data"] = "r1\nr2\n";
    files.files["in1"] = "a\nb\n";
    files.files["in2"] = "c";
    return files;
}

}

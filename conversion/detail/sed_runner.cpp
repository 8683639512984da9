#include "conversion/detail/sed_runner.h"

#include "core/sed/sed_command.h"
#include "core/sed/sed_io.h"

namespace conversion::detail {

int run_sed_text(const std::vector<std::string>& arguments, const std::string& input, std::string& output,
    std::string& messages)
{
    return run_sed_text(arguments, input, output, messages, hevtools::sed::limits::default_space_limit);
}

int run_sed_text(const std::vector<std::string>& arguments, const std::string& input, std::string& output,
    std::string& messages, std::size_t space_limit)
{
    hevtools::sed::recording_error_sink errors;
    // Policy scripts only transform text: no command of theirs may read or write a file.
    hevtools::sed::engine_options options;
    options.file_commands = false;
    options.errors = &errors;
    options.space_limit = space_limit;
    core::sed_command command(arguments);
    command.set_engine_options(options);
    core::sed_run_result result = command.run_on_text_with_status(input);
    output = std::move(result.output);
    messages.clear();
    for (const std::string& message : errors.messages)
        messages.append(messages.empty() ? "" : "; ").append(message);
    return result.status;
}

}

// Any bytes as a command line (parameters separated by NUL): parsing never fails, and
// the child-launch parameters built from its result read back to the same values.
#include "shell/command_line.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::vector<std::string> arguments(1);
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0)
            arguments.emplace_back();
        else
            arguments.back() += static_cast<char>(data[i]);
    }
    auto line = shell::parse_command_line(arguments);
    if (line.file_name.empty())
        return 0;
    auto again = shell::parse_command_line(
        shell::form_greetings_arguments(line.file_name, line.redirector_path, line.remove_redirect_link));
    std::string expected_file = line.file_name[0] == '-' || shell::looks_like_web_address(line.file_name)
        ? "./" + line.file_name
        : line.file_name;
    if (again.edit_mode != 1 || again.file_name != expected_file || !again.ignored.empty())
        std::abort();
    return 0;
}

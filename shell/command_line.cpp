#include "shell/command_line.h"

#include <stdexcept>
#include <string_view>

namespace shell {

namespace {

bool starts_with_no_case(std::string_view text, std::string_view prefix)
{
    if (text.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c != prefix[i])
            return false;
    }
    return true;
}

void take_switch(CommandLine& line, const std::string& name, bool& pending_redirector)
{
    if (!name.empty() && (name[0] == 't' || name[0] == 'T')) {
        line.result_path = name.substr(1);
        return;
    }
    if (name == form_greetings_switch)
        line.edit_mode = 1;
    else if (name == clickto_customize_switch)
        line.edit_mode = 2;
    else if (name == redirector_path_switch)
        pending_redirector = true;
    else if (name == remove_redirect_switch)
        line.remove_redirect_link = true;
    else
        line.ignored.push_back("-" + name + ": unknown switch");
}

void take_plain(CommandLine& line, const std::string& parameter, bool& pending_redirector)
{
    if (pending_redirector) {
        line.redirector_path = parameter;
        pending_redirector = false;
    } else if (line.file_name.empty() && !parameter.empty()) {
        line.file_name = parameter;
    } else {
        line.ignored.push_back(parameter + ": " + (parameter.empty() ? "empty file name" : "second file name"));
    }
}

// A path handed to a child copy must come back as the same plain parameter.
std::string as_plain_parameter(const std::string& path)
{
    if (path.empty())
        throw std::invalid_argument("a child copy needs a file to edit");
    if (path[0] == '-' || looks_like_web_address(path))
        return "./" + path;
    return path;
}

}

bool looks_like_web_address(const std::string& parameter)
{
    return starts_with_no_case(parameter, "http://") || starts_with_no_case(parameter, "https://")
        || starts_with_no_case(parameter, "www.");
}

CommandLine parse_command_line(const std::vector<std::string>& arguments)
{
    CommandLine line;
    bool pending_redirector = false;
    for (const auto& argument : arguments) {
        if (!argument.empty() && argument[0] == '-') {
            take_switch(line, argument.substr(1), pending_redirector);
            continue;
        }
        if (looks_like_web_address(argument)) {
            line.ignored.push_back(argument + ": web address, not a file");
            continue;
        }
        take_plain(line, argument, pending_redirector);
    }
    if (pending_redirector)
        line.ignored.push_back(std::string("-") + redirector_path_switch + ": no path follows");
    line.shell_command = line.file_name.empty() ? CommandLine::ShellCommand::file_new
                                                : CommandLine::ShellCommand::file_open;
    return line;
}

std::vector<std::string> clickto_customize_arguments(const std::string& result_path, const std::string& page_file)
{
    return {"-t" + result_path, std::string("-") + clickto_customize_switch, as_plain_parameter(page_file)};
}

std::vector<std::string> form_greetings_arguments(const std::string& greetings_file,
    const std::string& redirector_path, bool remove_redirect_link)
{
    std::vector<std::string> arguments {std::string("-") + form_greetings_switch, as_plain_parameter(greetings_file)};
    if (!redirector_path.empty()) {
        arguments.push_back(std::string("-") + redirector_path_switch);
        arguments.push_back(as_plain_parameter(redirector_path));
    }
    if (remove_redirect_link)
        arguments.push_back(std::string("-") + remove_redirect_switch);
    return arguments;
}

}

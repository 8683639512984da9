#include "core/sed/sed_command.h"

#include <new>

namespace core {

namespace {

// The splitter's script, one step per -e.
std::vector<std::string> splitter_arguments()
{
    return {
        "sed",
        "-e", "s/\\\\\"/>quote112599</g;",
        "-e", "s/{/>open112599</g;",
        "-e", "s/}/>close112599</g;",
        "-e", "s/\"\\([^\"]*\\)\"/{\\1}/g;",
        "-e", ":e;",
        "-e", "s/{\\([^ }]*\\) \\([^}]*\\)}/{\\1>whitespace112599<\\2}/;",
        "-e", "te;",
        "-e", "s/  */\\\n/g",
        "-e", "s/>whitespace112599</ /g;",
        "-e", "s/>quote112599</\"/g;",
        "-e", "s/{//g;",
        "-e", "s/}//g;",
        "-e", "s/>open112599</{/g;",
        "-e", "s/>close112599</}/g;",
    };
}

bool is_outer_blank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

}

sed_command::sed_command(std::vector<std::string> arguments) : arguments_(std::move(arguments)) { }

sed_command sed_command::from_command_line(std::string_view text)
{
    std::vector<std::string> arguments {"sed"};
    for (auto& word : split_sed_command_line(text))
        arguments.push_back(std::move(word));
    return sed_command(std::move(arguments));
}

std::vector<std::string> sed_command::arguments() { return arguments_; }

std::unique_ptr<hevtools::sed_engine> sed_command::create_engine()
{
    try {
        return std::make_unique<hevtools::sed_engine>(options_);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

int sed_command::run(std::istream& input, std::ostream& output)
{
    std::vector<std::string> args = arguments();
    auto engine = create_engine();
    if (!engine)
        return -1;
    engine->set_input_stream(&input);
    engine->set_output_stream(&output);
    return engine->main(args);
}

sed_run_result sed_command::run_on_text_with_status(std::string_view input)
{
    std::istringstream in {std::string(input), std::ios::in | std::ios::binary};
    std::ostringstream out(std::ios::out | std::ios::binary);
    sed_run_result result;
    result.status = run(in, out);
    result.output = std::move(out).str();
    return result;
}

std::string sed_command::run_on_text(std::string_view input)
{
    sed_run_result result = run_on_text_with_status(input);
    if (result.status != 0)
        return {};
    return std::move(result.output);
}

void sed_command::set_arguments(const std::vector<std::string>& texts)
{
    std::vector<std::string> arguments {"sed"};
    for (const auto& text : texts)
        if (!text.empty())
            arguments.push_back(text);
    arguments_ = std::move(arguments);
}

sed_script_command::sed_script_command(std::string_view command_line, std::string script)
    : sed_command(), script_(std::move(script)), stream_(script_, std::ios::in | std::ios::binary)
{
    arguments_.push_back("sed");
    for (auto& word : split_sed_command_line(command_line))
        arguments_.push_back(std::move(word));
    arguments_.push_back("-s");
}

std::vector<std::string> sed_script_command::arguments()
{
    stream_.clear();
    stream_.seekg(0);
    return arguments_;
}

std::unique_ptr<hevtools::sed_engine> sed_script_command::create_engine()
{
    hevtools::sed::engine_options options = options_;
    options.script_stream = &stream_;
    try {
        return std::make_unique<hevtools::sed_engine>(options);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

void sed_script_command::write_script(std::ostream& out) const { out << script_; }

std::vector<std::string> split_sed_command_line(std::string_view text)
{
    while (!text.empty() && is_outer_blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && is_outer_blank(text.back()))
        text.remove_suffix(1);
    if (text.empty())
        return {};
    sed_command splitter(splitter_arguments());
    std::string lines = splitter.run_on_text(text);
    std::vector<std::string> words;
    std::size_t start = 0;
    for (;;) {
        std::size_t newline = lines.find('\n', start);
        if (newline == std::string::npos) {
            words.push_back(lines.substr(start));
            break;
        }
        words.push_back(lines.substr(start, newline - start));
        start = newline + 1;
    }
    return words;
}

std::size_t remove_carriage_returns(char* buffer, std::size_t length)
{
    if (!buffer)
        return 0;
    std::size_t out = 0;
    for (std::size_t i = 0; i < length; ++i) {
        if (buffer[i] == '\r' && i + 1 < length && buffer[i + 1] == '\n')
            continue;
        buffer[out++] = buffer[i];
    }
    return out;
}

}

#include "core/tools/console_tool.h"

#include "core/log/trace_log.h"

#include <atomic>

namespace core {

namespace {

std::atomic<platform::process::runner*> installed_runner {nullptr};

platform::process::runner& current_runner()
{
    static platform::process::system_runner system;
    auto* runner = installed_runner.load();
    return runner ? *runner : system;
}

std::string command_text(const std::string& program, const std::vector<std::string>& arguments)
{
    std::string text = program;
    for (const auto& argument : arguments)
        text += " [" + argument + "]";
    return text;
}

}

console_tool_file_ref console_tool_init_from_resource(int resource_id, std::string_view name)
{
    auto tool = std::make_shared<console_tool_file>();
    switch (resource_id) {
    case tar_tool_id: tool->name = "tar"; break;
    case zip_tool_id: tool->name = "zip"; break;
    case unzip_tool_id: tool->name = "unzip"; break;
    default:
        tool->error_text = "no console tool has the resource id " + std::to_string(resource_id);
        TRACE_LOG("console_tool_init_from_resource() -- %s", tool->error_text.c_str());
        return tool;
    }
    if (!name.empty() && name != tool->name) {
        tool->error_text = "the resource id " + std::to_string(resource_id) + " names " + tool->name + ", not "
            + std::string(name);
        TRACE_LOG("console_tool_init_from_resource() -- %s", tool->error_text.c_str());
        tool->name = std::string(name);
        return tool;
    }
    if (auto found = platform::process::find_program(tool->name)) {
        tool->path = *found;
    } else {
        // The Debian packages carry the names of the tools.
        tool->error_text = tool->name + " was not found on PATH; install the Debian package " + tool->name;
        TRACE_LOG("console_tool_init_from_resource() -- %s", tool->error_text.c_str());
    }
    return tool;
}

std::string tool_file_argument(std::string_view name)
{
    if (!name.empty() && name.front() == '-')
        return "./" + std::string(name);
    return std::string(name);
}

void set_console_tool_runner(platform::process::runner* runner)
{
    installed_runner = runner;
}

console_tool::console_tool(console_tool_file_ref tool, std::vector<std::string> arguments,
    platform::process::spawn_options options)
    : tool_(std::move(tool)), arguments_(std::move(arguments)), options_(std::move(options))
{
}

int console_tool::console_tool_exit_code()
{
    output_.clear();
    exit_code_ = -1;
    if (!tool_ || tool_->path.empty()) {
        error_text_ = tool_ ? tool_->error_text : "no console tool";
        TRACE_LOG("console_tool::console_tool_exit_code() -- not run: %s", error_text_.c_str());
        return exit_code_;
    }
    std::string program = tool_->path;
    std::vector<std::string> arguments = arguments_;
    if (file_size_cap_ != 0) {
        auto limiter = platform::process::find_program("prlimit");
        if (!limiter) {
            error_text_ = "prlimit was not found on PATH; install the Debian package util-linux";
            TRACE_LOG("console_tool::console_tool_exit_code() -- not run: %s", error_text_.c_str());
            return exit_code_;
        }
        arguments.insert(arguments.begin(), {"--fsize=" + std::to_string(file_size_cap_), "--", program});
        program = *limiter;
    }
    auto command = command_text(program, arguments);
    TRACE_LOG("console_tool::console_tool_exit_code() -- run %s in %s", command.c_str(),
        options_.folder.empty() ? "the current folder" : options_.folder.c_str());
    auto result = current_runner().run(program, arguments, options_);
    output_ = std::move(result.output);
    error_text_ = std::move(result.error);
    exit_code_ = result.started ? result.exit_code : -1;
    if (!result.started && error_text_.empty())
        error_text_ = tool_->name + " could not be started";
    TRACE_LOG("console_tool::console_tool_exit_code() -- %s gave %d%s%s\n%s", tool_->name.c_str(), exit_code_,
        error_text_.empty() ? "" : ": ", error_text_.c_str(), output_.c_str());
    return exit_code_;
}

}

#include "core/util/program_environment.h"

#include "platform/debug/debug_output.h"
#include "platform/env/locations.h"
#include "platform/strings/string_table.h"

#include <filesystem>
#include <mutex>
#include <optional>

namespace core {

namespace {

std::mutex environment_mutex;
std::optional<program_environment> installed;

program_environment from_process()
{
    auto env = platform::env::current_environment();
    program_environment result;
    result.executable = platform::env::executable_path();
    auto folder = std::filesystem::path(result.executable).parent_path();
    result.resources_folder = (folder / ".." / "share" / "talverin").lexically_normal().string();
    try {
        auto places = platform::env::resolve_locations(env, result.executable, platform::env::password_home());
        result.data_folder = places.data;
        result.temp_root = places.temp;
    } catch (const platform::env::location_error&) {
        // No home and no resources: keep what can be known.
    }
    if (result.temp_root.empty()) {
        auto it = env.find("TMPDIR");
        result.temp_root = it != env.end() && !it->second.empty() && it->second.front() == '/' ? it->second : "/tmp";
    }
    result.debug_output = std::make_shared<platform::debug::stderr_sink>(env.count("TALVERIN_DEBUG_OUTPUT") != 0);
    try {
        result.strings = std::make_shared<platform::strings::string_table>(
            platform::strings::string_table::load(result.resources_folder + "/talverin/strings.txt"));
    } catch (const platform::strings::string_table_error&) {
        // No string table: every text is empty.
    }
    return result;
}

}

void install_program_environment(program_environment environment)
{
    std::lock_guard guard(environment_mutex);
    installed = std::move(environment);
}

program_environment current_program_environment()
{
    std::lock_guard guard(environment_mutex);
    if (!installed)
        installed = from_process();
    return *installed;
}

void write_debug_output(const std::string& text)
{
    auto sink = current_program_environment().debug_output;
    if (sink)
        sink->write(text);
}

}

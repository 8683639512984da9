#include "platform/services.h"

#include "platform/os/os_text.h"
#include "platform/registry/file_store.h"

namespace platform {

std::string time_locale_name(const env::environment& env)
{
    for (const char* name : {"LC_ALL", "LC_TIME", "LANG"}) {
        auto it = env.find(name);
        if (it != env.end() && !it->second.empty())
            return it->second;
    }
    return "C";
}

services make_system_services(const env::environment& env, const std::string& executable,
    std::span<const unsigned> required_strings)
{
    services result;
    // The password database is asked only when the environment gives no usable home.
    auto home = env.find("HOME");
    bool usable_home = home != env.end() && !home->second.empty() && home->second.front() == '/';
    result.locations = env::resolve_locations(env, executable, usable_home ? std::nullopt : env::password_home());
    result.strings = strings::string_table::load(result.string_table_path(), required_strings);
    result.registry = std::make_unique<registry::file_store>(result.registry_path());
    result.debug_output = std::make_unique<debug::stderr_sink>(env.count("TALVERIN_DEBUG_OUTPUT") != 0);
    result.clock = std::make_unique<system_clock>(time_locale_name(env).c_str());
    result.prompt = std::make_unique<prompts::stderr_prompt>();
    result.mail = std::make_unique<mail::unbound_simple_mapi>();
    result.system_description = [] { return os::system_description(); };
    return result;
}

}

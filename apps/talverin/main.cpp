#include "core/errors/wizard_thrower.h"
#include "core/log/log_stream.h"
#include "core/log/trace_log.h"
#include "platform/services.h"

#include <cstdio>
#include <exception>

namespace {

constexpr const char* settings_key = "Software\\Holvane\\Talverin\\Settings";

int logging_setting(platform::registry::store& registry)
{
    auto value = registry.read(platform::registry::hive::current_user, settings_key, "Logging");
    if (!value.ok())
        return 0;
    auto* number = std::get_if<std::uint32_t>(&value.data);
    return number ? static_cast<int>(*number) : 0;
}

}

int main()
{
    platform::services services;
    try {
        services = platform::make_system_services(platform::env::current_environment(),
            platform::env::executable_path());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "talverin: %s\n", e.what());
        return 1;
    }

    core::default_wizard_thrower ui_reporter(*services.prompt);
    core::set_current_thrower(&ui_reporter);

    platform::env::ensure_private_folder(services.locations.data);
    core::trace_logger logger({services.trace_log_path(), services.clock.get(), services.debug_output.get(),
        services.system_description});
    core::install_trace_logger(&logger);
    core::singleton_initiator<core::log_stream_provider>::instance().configure(services.log_stream_path(),
        services.clock.get());

    core::trace_enabled = logging_setting(*services.registry);
    TRACE_LOG("main() -- Talverin %s, resources folder: %s, data folder: %s\n", TALVERIN_VERSION,
        services.locations.resources.c_str(), services.locations.data.c_str());

    core::install_trace_logger(nullptr);
    return 0;
}

#include "conversion/form_wrapper/form_settings.h"

#include "core/log/trace_log.h"
#include "core/markup/ascii.h"
#include "core/util/strings.h"

namespace conversion {

namespace {

constexpr const char* broadcast_section = "broadcast";
constexpr unsigned form_handler_string = 144;
constexpr unsigned secure_form_handler_string = 145;

// A string value under the broadcast key; a value of another type reads as missing (traced).
// The store answers every read of an unusable settings file as missing.
std::string read_broadcast_value(const form_settings& settings, const char* name)
{
    auto& profile = settings.profile;
    auto found = profile.backing().read(platform::registry::hive::current_user, profile.section_key(broadcast_section), name);
    if (!found.ok())
        return {};
    if (const auto* text = std::get_if<std::string>(&found.data))
        return *text;
    TRACE_LOG("read_broadcast_value() -- %s is not a string: read as missing", name);
    return {};
}

}

std::string form_action_url(const form_settings& settings, bool secure)
{
    auto url = read_broadcast_value(settings, secure ? "FormActionURLSecure" : "FormActionURL");
    if (!url.empty())
        return url;
    return core::format_resource_cstring(secure ? secure_form_handler_string : form_handler_string,
        settings.gateway_host.c_str());
}

bool is_form_registration_mode(const form_settings& settings)
{
    return core::equal_ignoring_case(read_broadcast_value(settings, "FormRegistration"), "Quennet");
}

}

#include "shell/documents/recent_forms.h"

#include "core/markup/ascii.h"

#include <algorithm>

namespace shell {

bool is_recent_form(platform::registry::profile& profile, std::string_view form_name)
{
    auto names = profile.backing().value_names(platform::registry::hive::current_user,
        profile.section_key(std::string(recent_forms_section)));
    if (!names.ok())
        return false;
    return std::any_of(names.data.begin(), names.data.end(),
        [&](const std::string& name) { return core::equal_ignoring_case(name, form_name); });
}

platform::registry::status record_recent_form(platform::registry::profile& profile, const std::string& form_name)
{
    if (form_name.empty())
        return platform::registry::status::ok;
    return profile.write_int(std::string(recent_forms_section), form_name, 1);
}

}

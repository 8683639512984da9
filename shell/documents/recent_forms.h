#pragma once

#include "platform/registry/profile.h"

#include <string_view>

namespace shell {

// The key whose value names are the forms registered from this program.
inline constexpr std::string_view recent_forms_section = "SaveSettings\\Resent Forms";

// Whether a form name is among them: value names of any length, case ignored.
bool is_recent_form(platform::registry::profile& profile, std::string_view form_name);

// Records a registered form: its name as a value of 1 (the key made when missing). An empty
// name records nothing.
[[nodiscard]] platform::registry::status record_recent_form(platform::registry::profile& profile,
    const std::string& form_name);

}

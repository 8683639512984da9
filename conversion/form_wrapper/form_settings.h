#pragma once

#include "platform/registry/profile.h"

#include <string>

namespace conversion {

// Where the form wrapper's settings come from: the program's settings, read anew at each
// call, and the service's gateway host for the built-in form handler addresses.
struct form_settings {
    platform::registry::profile& profile;
    std::string gateway_host;
};

// FormActionURLSecure (secure) or FormActionURL under "broadcast" when not empty, else the
// service's form handler on the gateway host (strings 145 and 144).
std::string form_action_url(const form_settings& settings, bool secure);

// FormRegistration equals the access word, ignoring case.
bool is_form_registration_mode(const form_settings& settings);

}

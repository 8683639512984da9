#pragma once

#include <map>
#include <optional>
#include <stdexcept>
#include <string>

namespace platform::env {

using environment = std::map<std::string, std::string>;

// The process environment as a map, so location rules stay pure and testable.
environment current_environment();

// Full path of the running executable (/proc/self/exe).
std::string executable_path();

// Home folder from the password database, for an environment without HOME.
std::optional<std::string> password_home();

struct locations {
    std::string resources; // <exe dir>/../share/talverin
    std::string data;      // $XDG_DATA_HOME/talverin
    std::string config;    // $XDG_CONFIG_HOME/holvane/talverin
    std::string temp;      // $TMPDIR, else /tmp
};

class location_error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Where the program finds its resources and keeps its data. XDG values that are not
// absolute are ignored as the XDG rules say; without HOME the password entry's home is
// used. Throws location_error when neither gives a home or the resources folder is missing.
locations resolve_locations(const environment& env, const std::string& executable,
    const std::optional<std::string>& fallback_home);

// Creates the folder (and its parents) with mode 0700 when missing; true when it exists.
bool ensure_private_folder(const std::string& path);

}

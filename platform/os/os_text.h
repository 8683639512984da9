#pragma once

#include <optional>
#include <string>

namespace platform::os {

// The system's name, release, version and machine from uname, joined by blanks;
// nothing when uname fails.
std::optional<std::string> system_description();

}

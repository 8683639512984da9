#pragma once

#include "platform/env/locations.h"

#include <string>

namespace platform::locale {

// The locale number of a locale name such as "de_DE.UTF-8" ("de" alone gives the
// language's main country); 0 for a name the table does not know.
int lcid_of(const std::string& locale_name);

// The user's locale number from LC_ALL, LC_MESSAGES or LANG (the first one set), else 1033.
int user_default_lcid(const env::environment& env);

}

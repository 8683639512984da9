#pragma once

#include "platform/clock/clock.h"
#include "platform/debug/debug_output.h"
#include "platform/env/locations.h"
#include "platform/mail/simple_mapi.h"
#include "platform/registry/registry.h"
#include "platform/strings/string_table.h"
#include "platform/prompts/message_box.h"

#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>

namespace platform {

// What the program gets from the system, bundled for the application context. Tests build
// one with the twins of platform/testing.
struct services {
    env::locations locations;
    std::unique_ptr<registry::store> registry;
    std::unique_ptr<debug::sink> debug_output;
    std::unique_ptr<platform::clock> clock;
    strings::string_table strings;
    std::unique_ptr<prompts::prompt> prompt;
    std::unique_ptr<mail::simple_mapi> mail;
    std::function<std::optional<std::string>()> system_description;

    std::string string_table_path() const { return locations.resources + "/talverin/strings.txt"; }
    std::string trace_log_path() const { return locations.data + "/talverin.log"; }
    std::string log_stream_path() const { return locations.data + "/talverin-stream.log"; }
    std::string registry_path() const { return locations.config + "/registry.txt"; }
};

// The locale name for dates and times: LC_ALL, LC_TIME, then LANG, else "C".
std::string time_locale_name(const env::environment& env);

// The real services. Throws env::location_error or strings::string_table_error with a
// message naming the missing or broken file; a string table without a text for one of
// `required_strings` is broken.
services make_system_services(const env::environment& env, const std::string& executable,
    std::span<const unsigned> required_strings);

}

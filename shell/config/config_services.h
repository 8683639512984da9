#pragma once

#include "platform/com/class_registry.h"
#include "platform/mail/address_books.h"
#include "platform/mail/mapi_binding.h"
#include "platform/random/random_source.h"
#include "platform/registry/registry.h"
#include "platform/strings/string_table.h"
#include "platform/prompts/message_box.h"
#include "dialup/dialup_library.h"

#include <string>

namespace shell {

// Unpacks a job package into a folder: the path of the unpacked message document, or
// empty after the importer showed its own error message. Never writes beside the package.
class JobPackageImporter {
public:
    virtual ~JobPackageImporter() = default;
    virtual std::string import_job_package(const std::string& package, const std::string& destination) = 0;
};

// What the named configurations use of the system.
struct ConfigServices {
    platform::registry::store& registry;
    const platform::strings::string_table& strings;
    platform::prompts::prompt& prompt;
    dunvell::DialupLibrary& dialup;
    const platform::mail::mapi_binding& mail;
    platform::mail::address_books& address_books;
    platform::com::class_registry& classes;
    platform::random::random_source& random;
    std::string template_packages; // the folder of templ1.gz-templ3.gz
    std::string template_folders;  // the folder that holds one templates folder per configuration
    JobPackageImporter* importer = nullptr; // none until job packages can be imported
};

}

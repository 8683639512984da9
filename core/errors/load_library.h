#pragma once

#include "core/errors/mapi_errors.h"
#include "platform/library/library_table.h"

#include <memory>
#include <string>

namespace core {

// A library loaded by name with the binding that reports its failures.
struct checked_library {
    library_binding binding;
    std::shared_ptr<const platform::library::module> module; // null when the load failed
};

// Loads the library from the table; on failure the binding keeps error 126 and its callback
// gets "Missing DLL: <name>" (report_binding_failure).
checked_library load_library_checked(const platform::library::library_table& table, const std::string& name,
    std::function<void(const std::string& message, std::uint32_t error)> failure_callback);

}

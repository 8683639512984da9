#include "core/errors/load_library.h"

namespace core {

namespace {

constexpr std::uint32_t module_not_found = 126;

}

checked_library load_library_checked(const platform::library::library_table& table, const std::string& name,
    std::function<void(const std::string& message, std::uint32_t error)> failure_callback)
{
    checked_library loaded;
    loaded.binding.failure_callback = std::move(failure_callback);
    loaded.module = table.load(name);
    loaded.binding.loaded = loaded.module != nullptr;
    if (!loaded.module) {
        loaded.binding.error = module_not_found;
        report_binding_failure(loaded.binding, "Missing DLL: %s", name.c_str());
    }
    return loaded;
}

}

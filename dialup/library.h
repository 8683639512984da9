#pragma once

#include "platform/ras/dialup_networking.h"
#include "platform/registry/registry.h"

#include <cstdint>
#include <functional>
#include <string>

namespace dunvell {

inline constexpr long error_invalid_parameter = 87;
inline constexpr long error_store_unusable = 1009;

// The state behind the library's exports: the store the program's settings live in and the
// system's dial-up networking.
class Library {
public:
    // The settings dialog comes with the dial-up dialogs; until one is given, there is
    // none to run.
    using settings_dialog = std::function<int(std::uintptr_t parent, const std::string& settings_key)>;

    // Without a store (the per-user store could not be found) every registry call fails.
    Library(platform::registry::store* registry, platform::ras::dialup_networking& ras, settings_dialog dialog = {});

    int RASDllOK();
    long SetCurrentConfig(const char* name);
    int RASCfgDialog(std::uintptr_t parent);
    // The system's dial-up networking offers no dialling here yet, so these answer as the
    // library does without it: no dial (0) and not connected (2).
    int Dial(std::uintptr_t window);
    int State();

    // The key of the current dial-up settings.
    const std::string& settings_key() const { return settings_key_; }

private:
    platform::registry::store* registry_;
    platform::ras::dialup_networking& ras_;
    settings_dialog dialog_;
    std::string settings_key_;
};

}

#include "dialup/dunvell.h"
#include "dialup/library.h"

#include "platform/env/locations.h"
#include "platform/registry/file_store.h"

#include <memory>

namespace {

// The library's own view of the per-user store: the same file the program uses, read
// again whenever the program changed it.
struct process_state {
    std::unique_ptr<platform::registry::file_store> store;
    platform::ras::system_dialup_networking ras;
    std::unique_ptr<dunvell::Library> library;

    process_state()
    {
        try {
            auto where = platform::env::resolve_locations(platform::env::current_environment(),
                platform::env::executable_path(), platform::env::password_home());
            store = std::make_unique<platform::registry::file_store>(where.config + "/registry.txt");
        } catch (const platform::env::location_error&) {
            store.reset(); // no store: the registry calls answer failure
        }
        library = std::make_unique<dunvell::Library>(store.get(), ras);
    }
};

dunvell::Library& library()
{
    static process_state state;
    return *state.library;
}

}

extern "C" {

int Dunvell_RASDllOK(void)
{
    return library().RASDllOK();
}

long Dunvell_SetCurrentConfig(const char* name)
{
    return library().SetCurrentConfig(name);
}

int Dunvell_RASCfgDialog(std::uintptr_t parent)
{
    return library().RASCfgDialog(parent);
}

int Dunvell_Dial(std::uintptr_t window)
{
    return library().Dial(window);
}

int Dunvell_State(void)
{
    return library().State();
}
}

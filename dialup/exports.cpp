#include "dialup/dunvell.h"
#include "dialup/library.h"
#include "dialup/settings_dialog.h"

#include "platform/env/locations.h"
#include "platform/ras/pppd_dialup.h"
#include "platform/registry/file_store.h"
#include "platform/ui/desktop.h"
#include "platform/ui/dialog_template.h"

#include <array>
#include <dlfcn.h>
#include <filesystem>
#include <memory>
#include <optional>

namespace {

constexpr std::array<unsigned, 8> required_strings {1, 2, 3, 4, 5, 100, 101, 102};

// The library's resources sit at <library folder>/../share/dunvell.
std::string share_folder()
{
    Dl_info info {};
    if (::dladdr(reinterpret_cast<void*>(&Dunvell_RASDllOK), &info) == 0 || !info.dli_fname)
        return {};
    return (std::filesystem::path(info.dli_fname).parent_path() / ".." / "share" / "dunvell").lexically_normal();
}

// The library's own view of the per-user store: the same file the program uses, read
// again whenever the program changed it.
struct process_state {
    std::unique_ptr<platform::registry::file_store> store;
    std::unique_ptr<platform::ras::pppd_dialup_networking> pppd;
    platform::strings::string_table strings;
    platform::ui::DialogTemplates dialogs;
    bool resources_found = false;
    std::unique_ptr<dunvell::Library> library;

    process_state()
    {
        platform::ras::pppd_setup setup;
        try {
            auto where = platform::env::resolve_locations(platform::env::current_environment(),
                platform::env::executable_path(), platform::env::password_home());
            store = std::make_unique<platform::registry::file_store>(where.config + "/registry.txt");
            setup.params_file = where.config + "/dialup.txt";
            setup.temp = where.temp;
        } catch (const platform::env::location_error&) {
            store.reset(); // no store: the registry calls answer failure
        }
        pppd = std::make_unique<platform::ras::pppd_dialup_networking>(setup);
        auto share = share_folder();
        try {
            strings = platform::strings::string_table::load(share + "/strings.txt", required_strings);
            dialogs = platform::ui::DialogTemplates::load(share + "/dialogs.txt");
            resources_found = dialogs.contains(101);
        } catch (const std::exception& e) {
            platform::ui::ui_trace(std::string("Dunvell -- the library's resources cannot be read: ") + e.what() + "\n");
        }
        dunvell::library_hooks hooks;
        hooks.post = platform::ui::post_to_desktop;
        hooks.show_message = [](const std::string& text, const std::string& caption) {
            platform::ui::run_on_desktop([text, caption](platform::ui::UiHost& host) {
                host.message_box(text, platform::ui::MB_OK | platform::ui::MB_ICONERROR, caption);
            });
        };
        hooks.settings_dialog = [this](std::uintptr_t, const std::string& key, int mode) {
            auto* host = platform::ui::desktop().host;
            if (!host || !store || !resources_found)
                return 0;
            dunvell::DialupSettingsDialog dialog(dialogs.get(101), *host, *store, key, *pppd, strings, mode);
            return dialog.run();
        };
        library = std::make_unique<dunvell::Library>(store.get(), *pppd, strings, std::move(hooks));
    }
};

process_state& state()
{
    static process_state state;
    return state;
}

dunvell::Library& library()
{
    return *state().library;
}

}

extern "C" {

int Dunvell_RASDllOK(void)
{
    // Without its texts and dialog the library cannot offer dial-up networking.
    return state().resources_found ? library().RASDllOK() : 0;
}

int Dunvell_SnmpDllOK(void)
{
    return library().SnmpDllOK();
}

long Dunvell_GetErrorString(long error, char* buffer, std::uint32_t size)
{
    return library().GetErrorString(error, buffer, size);
}

int Dunvell_GetStateString(int state, char* buffer, std::uint32_t size)
{
    return library().GetStateString(state, buffer, size);
}

long Dunvell_SetCurrentConfig(const char* name)
{
    return library().SetCurrentConfig(name);
}

int Dunvell_State(void)
{
    return library().State();
}

int Dunvell_ConnectionInUse(void)
{
    return library().ConnectionInUse();
}

int Dunvell_GoIdle(int wait)
{
    return library().GoIdle(wait);
}

int Dunvell_Dial(std::uintptr_t window)
{
    return library().Dial(window);
}

int Dunvell_RASCfgDialog(std::uintptr_t parent)
{
    return library().RASCfgDialog(parent);
}

int Dunvell_ShowDialingDlg(std::uintptr_t parent)
{
    return library().ShowDialingDlg(parent);
}
}

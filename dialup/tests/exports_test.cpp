#include "dialup/dunvell.h"
#include "platform/env/locations.h"
#include "platform/registry/file_store.h"
#include "platform/strings/string_table.h"
#include "platform/ui/desktop.h"
#include "platform/ui/testing/manual_clock.h"
#include "platform/ui/testing/scripted_host.h"

#include <gtest/gtest.h>
#include <unistd.h>

// The exports over the per-user store of the test environment, which the test reads
// through a store of its own as the program would.
TEST(DunvellExports, WorkOnThePerUserStore)
{
    // No pppd here: dial-up networking is unusable and no dialog runs.
    EXPECT_EQ(Dunvell_RASDllOK(), access("/usr/sbin/pppd", X_OK) == 0 && access("/etc/ppp/peers", R_OK | X_OK) == 0);
    if (Dunvell_RASDllOK() == 0) {
        EXPECT_EQ(Dunvell_RASCfgDialog(0), 0);
    }
    EXPECT_EQ(Dunvell_ShowDialingDlg(0), 0); // no desktop registered
    EXPECT_EQ(Dunvell_GoIdle(1), 1);

    auto where = platform::env::resolve_locations(platform::env::current_environment(),
        platform::env::executable_path(), platform::env::password_home());
    platform::registry::file_store store(where.config + "/registry.txt");
    const std::string name = "Work " + std::to_string(::getpid());
    const std::string key = "Software\\Holvane\\Talverin\\Configurations\\" + name;
    EXPECT_EQ(Dunvell_SetCurrentConfig(""), 87);
    ASSERT_EQ(Dunvell_SetCurrentConfig(name.c_str()), 0);
    EXPECT_TRUE(store.key_exists(platform::registry::hive::current_user, key + "\\RAS Settings"));
    EXPECT_EQ(Dunvell_State(), 3); // no entry configured
    EXPECT_EQ(Dunvell_Dial(0), 0);
    EXPECT_EQ(store.delete_key(platform::registry::hive::current_user, key), platform::registry::status::ok);
}

// The texts come from the library's own resources beside it.
TEST(DunvellExports, TextsComeFromTheLibrarysResources)
{
    char buffer[128];
    EXPECT_EQ(Dunvell_GetStateString(8192, buffer, sizeof buffer), 31);
    EXPECT_STREQ(buffer, "Dial-up connection established.");
    EXPECT_EQ(Dunvell_GetErrorString(623, buffer, sizeof buffer), 0);
    EXPECT_STREQ(buffer, "The system could not find the phone book entry for this connection.");
    EXPECT_EQ(Dunvell_GetStateString(8192, nullptr, 0), 87);
    EXPECT_EQ(Dunvell_SnmpDllOK(), access("/proc/net/tcp", R_OK) == 0 ? 1 : 0);
}

// The library shares the program's window layer: its dialog runs on the host the program
// registered, and without one it shows nothing.
TEST(DunvellExports, DialogRunsOnTheProgramsDesktop)
{
    platform::strings::string_table strings;
    platform::ui::testing::ManualClock ticks;
    platform::ui::MessageQueue queue(ticks);
    platform::ui::testing::ScriptedHost host(strings);
    host.set_ui_queue(&queue);
    platform::ui::set_desktop(&queue, &host);
    host.expect_dialog(101, [](platform::ui::testing::DialogDriver& d) {
        EXPECT_EQ(d.current().GetDlgItemText(1), "Connect");
        d.cancel();
    });
    EXPECT_EQ(Dunvell_ShowDialingDlg(0), 0);
    EXPECT_EQ(host.pending(), 0u);
    platform::ui::set_desktop(nullptr, nullptr);
    host.set_ui_queue(nullptr);
    EXPECT_EQ(Dunvell_ShowDialingDlg(0), 0);
}

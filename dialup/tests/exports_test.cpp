#include "dialup/dunvell.h"
#include "platform/env/locations.h"
#include "platform/registry/file_store.h"

#include <gtest/gtest.h>
#include <unistd.h>

// The exports over the per-user store of the test environment, which the test reads
// through a store of its own as the program would.
TEST(DunvellExports, WorkOnThePerUserStore)
{
    EXPECT_EQ(Dunvell_RASDllOK(), 0); // nothing dials on this platform
    EXPECT_EQ(Dunvell_RASCfgDialog(0), 0);
    EXPECT_EQ(Dunvell_Dial(0), 0);
    EXPECT_EQ(Dunvell_State(), 2);

    auto where = platform::env::resolve_locations(platform::env::current_environment(),
        platform::env::executable_path(), platform::env::password_home());
    platform::registry::file_store store(where.config + "/registry.txt");
    const std::string name = "Work " + std::to_string(::getpid());
    const std::string key = "Software\\Holvane\\Talverin\\Configurations\\" + name;
    EXPECT_EQ(Dunvell_SetCurrentConfig(""), 87);
    ASSERT_EQ(Dunvell_SetCurrentConfig(name.c_str()), 0);
    EXPECT_TRUE(store.key_exists(platform::registry::hive::current_user, key + "\\RAS Settings"));
    EXPECT_EQ(store.delete_key(platform::registry::hive::current_user, key), platform::registry::status::ok);
}

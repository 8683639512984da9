#include "dialup/library.h"
#include "platform/testing/memory_store.h"
#include "platform/testing/platform_probes.h"

#include <gtest/gtest.h>

using platform::registry::hive;

namespace {

const std::string configurations = "Software\\Holvane\\Talverin\\Configurations";

}

TEST(DunvellLibrary, UnusableDialUpAnswersZeroAndRunsNoDialog)
{
    platform::testing::memory_store store;
    platform::testing::switchable_dialup ras;
    int dialogs = 0;
    dunvell::Library library(&store, ras, [&](std::uintptr_t, const std::string&) { return ++dialogs, 1; });
    EXPECT_EQ(library.RASDllOK(), 0);
    EXPECT_EQ(library.RASCfgDialog(0), 0);
    EXPECT_EQ(dialogs, 0);
    EXPECT_EQ(library.Dial(0), 0);
    EXPECT_EQ(library.State(), 2);

    ras.is_usable = true;
    EXPECT_EQ(library.RASDllOK(), 1);
    ASSERT_EQ(library.SetCurrentConfig("Work"), 0);
    std::string shown_for;
    dunvell::Library usable(&store, ras, [&](std::uintptr_t, const std::string& key) { return shown_for = key, 1; });
    ASSERT_EQ(usable.SetCurrentConfig("Work"), 0);
    EXPECT_EQ(usable.RASCfgDialog(0), 1);
    EXPECT_EQ(shown_for, configurations + "\\Work\\RAS Settings");
}

TEST(DunvellLibrary, SetCurrentConfigCreatesTheSettingsKeyAndRefusesNoName)
{
    platform::testing::memory_store store;
    platform::testing::switchable_dialup ras;
    dunvell::Library library(&store, ras);
    EXPECT_EQ(library.SetCurrentConfig("Work"), 0);
    EXPECT_TRUE(store.key_exists(hive::current_user, configurations + "\\Work\\RAS Settings"));
    EXPECT_EQ(library.settings_key(), configurations + "\\Work\\RAS Settings");

    auto before = store.snapshot();
    EXPECT_EQ(library.SetCurrentConfig(""), dunvell::error_invalid_parameter);
    EXPECT_EQ(library.SetCurrentConfig(nullptr), dunvell::error_invalid_parameter);
    EXPECT_EQ(store.snapshot(), before);
    EXPECT_EQ(library.settings_key(), configurations + "\\Work\\RAS Settings");

    store.fail_next_writes(1);
    EXPECT_NE(library.SetCurrentConfig("Home"), 0); // the store's failure is answered
    EXPECT_FALSE(store.key_exists(hive::current_user, configurations + "\\Home"));

    dunvell::Library without_store(nullptr, ras);
    EXPECT_EQ(without_store.SetCurrentConfig("Work"), dunvell::error_store_unusable);
}

TEST(DunvellLibrary, StartsWithTheActiveConfigurationsSettings)
{
    platform::testing::memory_store store;
    platform::testing::switchable_dialup ras;
    EXPECT_EQ(dunvell::Library(&store, ras).settings_key(), configurations);
    ASSERT_EQ(store.write(hive::current_user, configurations, "Active Config", std::string("Home")),
        platform::registry::status::ok);
    EXPECT_EQ(dunvell::Library(&store, ras).settings_key(), configurations + "\\Home\\RAS Settings");
    EXPECT_FALSE(store.key_exists(hive::current_user, configurations + "\\Home")); // loading creates nothing
}

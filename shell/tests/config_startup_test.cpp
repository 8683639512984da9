#include "app_fixture.h"
#include "shell/config/passwd_block.h"

#include <gtest/gtest.h>

using namespace shell;
using namespace shell::testing;
using platform::registry::hive;
using platform::registry::status;
using platform::registry::value;

TEST(StartupConfiguration, LoadsTheActiveConfigurationAndMovesTheOlderAccountIntoIt)
{
    const std::string save_settings = "Software\\Holvane\\Talverin\\SaveSettings";
    app_fixture f;
    auto& store = f.test.registry();
    ASSERT_TRUE(write_login_and_password(store, save_settings, "old user", "old pass", f.random));
    ASSERT_EQ(store.write(hive::current_user, save_settings, "Transport Protocol", std::uint32_t {1}), status::ok);
    ASSERT_TRUE(f.start().runs());
    const auto& current = f.context.current_config;
    EXPECT_EQ(current.GetName(), "Default");
    EXPECT_EQ(current.GetLogin(), "old user");
    EXPECT_EQ(current.GetPassword(), "old pass");
    EXPECT_EQ(current.GetTransportProtocol(), 1);
    auto tree = store.snapshot();
    EXPECT_EQ(*tree.find(configurations, "Active Config"), value(std::string("Default")));
    EXPECT_EQ(*tree.find(configurations + "\\Default", "Transport Protocol"), value(std::uint32_t {1}));
    EXPECT_EQ(tree.find(save_settings, "login"), nullptr);
}

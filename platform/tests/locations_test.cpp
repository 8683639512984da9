#include "platform/env/locations.h"
#include "platform/testing/temporary_folder.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>

using platform::env::environment;
using platform::env::location_error;
using platform::env::resolve_locations;

namespace {

// A fake installation: <root>/bin/talverin beside <root>/share/talverin.
struct installation {
    installation() { std::filesystem::create_directories(root.file("share/talverin")); }
    std::string executable() const { return root.file("bin/talverin"); }
    platform::testing::temporary_folder root;
};

}

TEST(Locations, FollowTheEnvironmentTable)
{
    installation install;
    struct row {
        environment env;
        std::optional<std::string> password_home;
        std::string data, config, temp;
    };
    const row rows[] = {
        {{{"HOME", "/h"}}, std::nullopt, "/h/.local/share/talverin", "/h/.config/holvane/talverin", "/tmp"},
        {{{"HOME", "/h"}, {"XDG_DATA_HOME", "/d"}, {"XDG_CONFIG_HOME", "/c/"}, {"TMPDIR", "/t"}}, std::nullopt,
            "/d/talverin", "/c/holvane/talverin", "/t"},
        {{{"HOME", "/h"}, {"XDG_DATA_HOME", "rel/d"}, {"XDG_CONFIG_HOME", ""}, {"TMPDIR", "t"}}, std::nullopt,
            "/h/.local/share/talverin", "/h/.config/holvane/talverin", "/tmp"},
        {{}, std::string("/pw"), "/pw/.local/share/talverin", "/pw/.config/holvane/talverin", "/tmp"},
        {{{"HOME", "relative"}}, std::string("/pw"), "/pw/.local/share/talverin", "/pw/.config/holvane/talverin",
            "/tmp"},
    };
    for (const auto& r : rows) {
        auto found = resolve_locations(r.env, install.executable(), r.password_home);
        EXPECT_EQ(found.data, r.data);
        EXPECT_EQ(found.config, r.config);
        EXPECT_EQ(found.temp, r.temp);
        EXPECT_EQ(found.resources, install.root.file("share/talverin"));
    }
}

TEST(Locations, FailWithoutAnyHomeOrResources)
{
    installation install;
    EXPECT_THROW(resolve_locations({}, install.executable(), std::nullopt), location_error);
    // With every XDG folder given, no home is needed.
    EXPECT_NO_THROW(resolve_locations({{"XDG_DATA_HOME", "/d"}, {"XDG_CONFIG_HOME", "/c"}}, install.executable(),
        std::nullopt));

    platform::testing::temporary_folder bare;
    try {
        resolve_locations({{"HOME", "/h"}}, bare.file("bin/talverin"), std::nullopt);
        FAIL() << "no resources folder accepted";
    } catch (const location_error& e) {
        EXPECT_NE(std::string(e.what()).find(bare.file("share/talverin")), std::string::npos);
    }
}

TEST(Locations, PrivateFoldersAreMadeWithParentsAndMode0700)
{
    platform::testing::temporary_folder root;
    auto path = root.file("a/b/c");
    ASSERT_TRUE(platform::env::ensure_private_folder(path));
    struct stat info {};
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    EXPECT_TRUE(platform::env::ensure_private_folder(path));
    std::filesystem::path file = root.file("file");
    { std::ofstream(file) << "x"; }
    EXPECT_FALSE(platform::env::ensure_private_folder(root.file("file/below")));
}

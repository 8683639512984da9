#include "platform/process/process.h"
#include "platform/registry/file_store.h"
#include "platform/testing/temporary_folder.h"
#include "shell/config/passwd_block.h"
#include "shell/config/registry_strings.h"
#include "shell/config/wizard_config.h"
#include "shell/settings.h"
#include "shell/talverin_app.h"
#include "standin/fixture/quorbis_stand_in.h"

#include <gtest/gtest.h>
#include <unistd.h>

TEST(Seed, TheProgramsReadersFindTheStandInAndTheAccount)
{
    standin::stand_in_options options;
    options.password = "p\"a<s s&";
    standin::QuorbisStandIn stand_in(options);
    platform::testing::temporary_folder home;
    auto store_file = home.file("registry.txt");
    platform::process::system_runner runner;
    auto seeded = runner.run(STANDIN_SEED,
        {store_file, "--http-url", stand_in.http_broadcast_url(), "--https-url", stand_in.http_broadcast_url_secure(),
            "--ftp-server", stand_in.ftp_server(), "--validator-url", stand_in.validator_url(), "--smtp-server",
            stand_in.smtp_server(), "--login", options.user, "--password", options.password, "--address-book",
            home.file("people.vcf")},
        "");
    ASSERT_EQ(seeded.exit_code, 0) << seeded.output;

    platform::registry::file_store store(store_file);
    platform::registry::profile profile(store, shell::application_key);
    auto settings = shell::load_settings(profile, shell::deployment_defaults(1033));
    EXPECT_EQ(settings.http_broadcast_url, stand_in.http_broadcast_url());
    EXPECT_EQ(settings.http_broadcast_url_secure, stand_in.http_broadcast_url_secure());
    auto broadcast = std::string(shell::application_key) + "\\broadcast";
    EXPECT_EQ(shell::read_registry_string(store, broadcast, "FTPServer").text, stand_in.ftp_server());
    EXPECT_EQ(shell::read_registry_string(store, broadcast, "ValidatorURL").text, stand_in.validator_url());
    std::string login, password;
    ASSERT_TRUE(shell::read_login_and_password(store, shell::configuration_key("Default"), login, password));
    EXPECT_EQ(login, options.user);
    EXPECT_EQ(password, options.password);
    auto key = shell::configuration_key("Default");
    EXPECT_EQ(shell::read_dword(store, key, "Transport Protocol"), 3u);
    EXPECT_EQ(shell::read_dword(store, key, "HTTPUseSecure"), 1u);
    EXPECT_EQ(shell::read_registry_string(store, key, "SMTP Server").text, stand_in.smtp_server());
    EXPECT_EQ(profile.get_string("AddressBooks", "Personal", ""), home.file("people.vcf"));
    EXPECT_EQ(shell::read_dword(store, key, "ABook Provider"), 2u);
}

TEST(Seed, AMissingValueIsRefusedAndWritesNothing)
{
    platform::testing::temporary_folder home;
    platform::process::system_runner runner;
    auto refused = runner.run(STANDIN_SEED, {home.file("registry.txt"), "--http-url", "http://127.0.0.1:1/"}, "");
    EXPECT_EQ(refused.exit_code, 2);
    EXPECT_NE(refused.output.find("missing --"), std::string::npos) << refused.output;
    EXPECT_NE(::access(home.file("registry.txt").c_str(), F_OK), 0);
}

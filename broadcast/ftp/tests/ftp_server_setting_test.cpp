#include "broadcast/ftp/ftp_server_setting.h"

#include <gtest/gtest.h>

namespace broadcast {
namespace {

TEST(FtpServerSetting, ReadsHostAndPortAndRefusesWhatDoesNotFit)
{
    struct row {
        const char* setting;
        bool usable;
        const char* host;
        std::uint16_t port;
    };
    const row rows[] = {
        {"h", true, "h", 0},
        {"h:0", true, "h", 0},
        {"h:2121", true, "h", 2121},
        {"[::1]:2121", true, "::1", 2121},
        {"", true, "ftp.service.test", 21},
        {"h:70000", false, "", 0},
        {"h:x", false, "", 0},
        {"h\r\nNOOP", false, "", 0},
    };
    for (const auto& r : rows) {
        auto address = parse_ftp_server(r.setting, "ftp.service.test:21");
        ASSERT_EQ(address.has_value(), r.usable) << r.setting;
        if (address) {
            EXPECT_EQ(address->host, r.host) << r.setting;
            EXPECT_EQ(address->port, r.port) << r.setting;
        }
    }
}

TEST(FtpServerSetting, TheHostIsKeptUntilRestartWhileThePortIsReadEachTime)
{
    std::string value = "first.test:2121";
    ftp_server_setting setting([&] { return value; }, "default.test");
    EXPECT_EQ(setting.quorbis_ftp_server(), "first.test");
    EXPECT_EQ(setting.quorbis_ftp_port(0), 2121);
    value = "second.test:2222";
    EXPECT_EQ(setting.quorbis_ftp_server(), "first.test");
    EXPECT_EQ(setting.quorbis_ftp_port(0), 2222);
    EXPECT_EQ(setting.quorbis_ftp_port(990), 990) << "a port given by the dialog wins";
    value = "second.test:70000";
    EXPECT_FALSE(setting.quorbis_ftp_port(0).has_value());

    ftp_server_setting restarted([&] { return value = "second.test"; }, "default.test");
    EXPECT_EQ(restarted.quorbis_ftp_server(), "second.test");
    EXPECT_EQ(restarted.quorbis_ftp_port(0), 0);

    ftp_server_setting unusable([] { return std::string("h:x"); }, "default.test");
    EXPECT_FALSE(unusable.quorbis_ftp_server().has_value());
}

TEST(FtpServerSetting, TheBuildNamesADefaultHost)
{
    EXPECT_TRUE(parse_ftp_server("", default_ftp_host()).has_value());
}

}
}

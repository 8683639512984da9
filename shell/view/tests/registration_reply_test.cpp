#include "shell/view/registration_reply.h"

#include "platform/testing/test_services.h"

#include <gtest/gtest.h>

namespace shell {
namespace {

TEST(RegistrationReply, ReturnCodesReadAsTheirMessages)
{
    const auto strings
        = platform::strings::string_table::load(platform::testing::share_folder() + "/talverin/strings.txt");
    const auto text = [&](unsigned id) { return strings.text(id); };
    const std::string refused = text(21076);
    const std::string warned = text(21075);
    struct reply_case {
        std::string after_marker;
        std::optional<int> code;
        std::string shown; // empty: the reply unchanged
    };
    const reply_case cases[] = {
        {"-12>", -12, refused + "Kdv-db and kdv-form are both missing"},
        {"0>", 0, text(20046)},
        {"10>", 10, warned + text(20056)},
        {"20>", 20, warned + text(20057)},
        {"-10>", -10, refused + text(20058)},
        {"-26>", -26, refused + text(20074)},
        {"-29>", -29, refused + text(20075)},
        {"-38>", -38, refused + text(20076)},
        {"-39>", -39, refused + text(20077)},
        {"-54>", -54, refused + text(20078)},
        {"-27>", -27, ""},
        {"-9>", -9, ""},
        {"7>", 7, ""},
        {"00012x", 12, ""},
        // No digits: no return code at all, never a success.
        {">", std::nullopt, ""},
        {"->", std::nullopt, ""},
        {"--12>", std::nullopt, ""},
        {"+0>", std::nullopt, ""},
        {" value=\"0\">", std::nullopt, ""},
        {"", std::nullopt, ""},
        {"99999999999>", std::nullopt, ""},
    };
    for (const auto& c : cases) {
        const std::string reply = "<form><input type=hidden name=\"ReturnCode1\"" + c.after_marker + "</form>";
        const auto read = read_registration_reply(reply, strings);
        EXPECT_EQ(read.code, c.code) << c.after_marker;
        EXPECT_EQ(read.text, c.shown.empty() ? reply : c.shown) << c.after_marker;
    }
    // The first marker counts; a page without one is shown as it came.
    EXPECT_EQ(read_registration_reply("name=\"ReturnCode1\"0 name=\"ReturnCode1\"-12", strings).code, 0);
    const auto plain = read_registration_reply("Form received", strings);
    EXPECT_EQ(plain.code, std::nullopt);
    EXPECT_EQ(plain.text, "Form received");
}

}
}

#include "broadcast/form_site/registration_conversation.h"

#include <gtest/gtest.h>

using namespace broadcast::form_site;

namespace {

const registration_login login {"demo", "secret"};
const std::string server = "http://127.0.0.1:8080";

conversation_step step(conversation_state state, std::optional<previous_reply> previous)
{
    return next_conversation_step(state, previous, login, "<form></form>", server);
}

}

TEST(Conversation, WalksFromTheSiteToTheOutcome)
{
    auto first = std::get<conversation_request>(step(conversation_state::none, std::nullopt));
    EXPECT_FALSE(first.post);
    EXPECT_EQ(first.url, server);
    EXPECT_EQ(first.status_text, "Connecting to server...");
    EXPECT_EQ(first.next, conversation_state::login);

    auto login_request = std::get<conversation_request>(step(conversation_state::login, previous_reply {200, "Hi"}));
    EXPECT_TRUE(login_request.post);
    EXPECT_EQ(login_request.url, server + "/cgi-bin/form_login");
    EXPECT_EQ(login_request.form_data, "userid=demo&password=secret");
    EXPECT_EQ(login_request.next, conversation_state::registration_screen);

    auto screen = std::get<conversation_request>(step(conversation_state::registration_screen, previous_reply {200, "Welcome"}));
    EXPECT_EQ(screen.url, server + "/cgi-bin/registration_screen?userid=demo");
    EXPECT_FALSE(screen.post);

    auto validation = std::get<conversation_request>(step(conversation_state::validation, previous_reply {200, "x"}));
    EXPECT_TRUE(validation.post);
    EXPECT_EQ(validation.url, server + "/cgi-bin/form_validation");
    EXPECT_EQ(validation.form_data, "demo=<form></form>");
    EXPECT_EQ(validation.status_text, "Submitting form...");

    auto done = std::get<conversation_end>(step(conversation_state::outcome, previous_reply {200, "Thank you\n"}));
    EXPECT_EQ(done.code, registration_done);
    EXPECT_EQ(done.message, "");
}

TEST(Conversation, AccountValuesAreEncoded)
{
    registration_login odd {"de mo\r\n", "p&s=w+d %#"};
    auto request = std::get<conversation_request>(
        next_conversation_step(conversation_state::login, previous_reply {200, ""}, odd, "f", server));
    EXPECT_EQ(request.form_data, "userid=de%20mo%0D%0A&password=p%26s%3Dw%2Bd%20%25%23");
    auto screen = std::get<conversation_request>(
        next_conversation_step(conversation_state::registration_screen, previous_reply {200, ""}, odd, "f", server));
    EXPECT_EQ(screen.url, server + "/cgi-bin/registration_screen?userid=de%20mo%0D%0A");
    auto validation = std::get<conversation_request>(
        next_conversation_step(conversation_state::validation, previous_reply {200, ""}, odd, "a&b", server));
    EXPECT_EQ(validation.form_data, "de%20mo%0D%0A=a&b");
}

TEST(Conversation, EndsEarlyOnFailures)
{
    struct end_case {
        const char* name;
        conversation_state state;
        std::optional<previous_reply> previous;
        std::int32_t code;
        std::string message;
    };
    const end_case cases[] = {
        {"login failed", conversation_state::registration_screen, previous_reply {200, "Sorry: Login failed\n"}, -1, ""},
        {"login unsuccessful", conversation_state::registration_screen,
            previous_reply {200, "LOGIN WAS UNSUCCESSFUL\n"}, -1, ""},
        {"no response to the login", conversation_state::registration_screen, std::nullopt, 0,
            "Verifying UserID & Password...: no response from the form site"},
        {"500 at validation", conversation_state::outcome, previous_reply {500, "Error"}, 0, "Submitting form...: HTTP 500"},
        {"404 at the site", conversation_state::login, previous_reply {404, "Not found"}, 0,
            "Connecting to server...: HTTP 404"},
        {"empty outcome", conversation_state::outcome, previous_reply {200, ""}, 0,
            "Submitting form...: the form site answered an empty page"},
    };
    for (const auto& c : cases) {
        auto result = step(c.state, c.previous);
        auto* ended = std::get_if<conversation_end>(&result);
        ASSERT_NE(ended, nullptr) << c.name;
        EXPECT_EQ(ended->code, c.code) << c.name;
        EXPECT_EQ(ended->message, c.message) << c.name;
    }
}

TEST(Conversation, OutcomePagesGiveCodeAndMessage)
{
    struct outcome_case {
        const char* name;
        std::string text;
        std::int32_t code;
        std::string message;
    };
    const outcome_case cases[] = {
        {"success", "Your form was registered successfully.\n", 2, ""},
        {"unsuccessful over lines", "Form registration Unsuccessful\nReason\tquotes\nField\tname\n", 0,
            "eason\tquotes\r\nField\tname\r\n"},
        {"one-line page", "Registration UNSUCCESSFUL\n", 0, "Registration UNSUCCESSFUL"},
        {"no line feed", "UNSUCCESSFUL", 0, "UNSUCCESSFUL"},
        {"server error mid-page", "Title\nSERVER ERROR while registering\nmore\n", 0,
            "SERVER ERROR while registering\r\nmore\r\n"},
        {"warning", "WARNING: the form was registered\nReason\tx\n", 1, "eason\tx\r\n"},
    };
    for (const auto& c : cases) {
        auto end = registration_outcome(c.text);
        EXPECT_EQ(end.code, c.code) << c.name;
        EXPECT_EQ(end.message, c.message) << c.name;
    }
}

TEST(Conversation, ProgressTitles)
{
    EXPECT_EQ(progress_title_id(conversation_state::none), 160u);
    EXPECT_EQ(progress_title_id(conversation_state::start), 160u);
    EXPECT_EQ(progress_title_id(conversation_state::login), 232u);
    EXPECT_EQ(progress_title_id(conversation_state::logout), 133u);
    EXPECT_EQ(progress_title_id(conversation_state::validation), 0u);
}

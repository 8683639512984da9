#include "broadcast/form_site/form_registrator.h"
#include "core/errors/errors.h"
#include "core/log/trace_log.h"
#include "core/tasks/durable_operation.h"
#include "broadcast/form_site/tests/program_strings.h"
#include "platform/inet/curl_internet.h"
#include "platform/library/library_table.h"
#include "platform/testing/fixed_clock.h"
#include "platform/testing/platform_probes.h"
#include "platform/testing/recording_sink.h"
#include "platform/testing/temporary_folder.h"
#include "standin/fixture/quorbis_stand_in.h"

#include <gtest/gtest.h>
#include <sstream>

using namespace broadcast::form_site;

namespace {

// A manager that refuses every step: the conversation must not begin.
class refusing_manager final : public hevtools::durable_operation_manager {
public:
    std::unique_ptr<hevtools::durable_operation_manager> make_observer() override { return nullptr; }
    bool enter_step(hevtools::operation_step&) override { return false; }
};

// A manager that keeps every percentage it is shown.
class recording_manager final : public hevtools::durable_operation_manager {
public:
    std::unique_ptr<hevtools::durable_operation_manager> make_observer() override { return nullptr; }
    bool report_progress(hevtools::operation_step& step) override
    {
        percentages.push_back(step.progress());
        return true;
    }
    std::vector<std::int32_t> percentages;
};

class RegistrationWire : public ::testing::Test {
protected:
    explicit RegistrationWire(standin::stand_in_options options = {}) : stand_in(std::move(options)) { }

    void SetUp() override
    {
        core::install_trace_logger(&logger);
        core::trace_enabled = 1;
        platform::inet::internet_options options;
        options.ca_file = stand_in.ca_file();
        options.idle_timeout = std::chrono::milliseconds(5000);
        platform::inet::wininet::register_wininet(table, platform::inet::make_curl_internet(options));
    }
    void TearDown() override
    {
        core::trace_enabled = 0;
        core::install_trace_logger(nullptr);
    }

    form_site_services services()
    {
        return form_site_services {table, random, folder.path(), stand_in.form_site(),
            [this](const std::string& text) { status_texts.push_back(text); }, {}, &log};
    }

    std::int32_t register_form(const std::string& form_text, std::string& message,
        hevtools::durable_operation_manager* manager = nullptr)
    {
        auto s = services();
        hevtools::null_operation_manager null_manager;
        return register_form_with_service(s, {stand_in.options().user, stand_in.options().password}, form_text,
            manager ? *manager : null_manager, message);
    }

    // Every trace line and call-scope line written.
    std::string traced()
    {
        std::string all;
        for (const auto& text : sink.texts())
            all += text;
        if (auto* text = dynamic_cast<std::ostringstream*>(&log.get_stream()))
            all += text->str();
        return all;
    }

    std::vector<standin::record> form_records() { return stand_in.records(); }

    // The form service's first requests take the default replies, the next the given one.
    void script_request(int number, const standin::reply_fields& fields)
    {
        for (int i = 1; i < number; ++i)
            stand_in.script("form", {});
        stand_in.script("form", fields);
    }

    installed_program_strings strings;
    platform::testing::fixed_clock clock;
    platform::testing::recording_sink sink;
    core::trace_logger logger {{"", &clock, &sink, [] { return std::optional<std::string>("Linux"); }}};
    core::log_stream_provider log;
    platform::testing::temporary_folder folder;
    platform::testing::scripted_random random {std::vector<std::uint8_t>(64, 7)};
    platform::library::library_table table;
    standin::QuorbisStandIn stand_in;
    std::vector<std::string> status_texts;
};

class OddPassword : public RegistrationWire {
protected:
    OddPassword() : RegistrationWire(odd_account()) { }
    static standin::stand_in_options odd_account()
    {
        standin::stand_in_options options;
        options.password = "p&s=w+d %#";
        return options;
    }
};

}

TEST_F(RegistrationWire, AFullConversationRegistersTheForm)
{
    std::string message = "old";
    recording_manager manager;
    EXPECT_EQ(register_form("<form><input name=\"a\"></form>", message, &manager), registration_done);
    EXPECT_EQ(message, "");
    EXPECT_EQ(status_texts,
        (std::vector<std::string> {"Connecting to server...", "Verifying UserID & Password...", "Submitting form..."}));
    stand_in.wait_for(5);
    auto records = form_records();
    ASSERT_EQ(records.size(), 5u);
    const char* paths[] = {"GET / HTTP/1.0", "POST /cgi-bin/form_login HTTP/1.0", "GET /cgi-bin/welcome HTTP/1.0",
        "GET /cgi-bin/registration_screen?userid=demo HTTP/1.0", "POST /cgi-bin/form_validation HTTP/1.0"};
    for (std::size_t i = 0; i < records.size(); ++i) {
        auto request = records[i].file("request.txt");
        EXPECT_EQ(records[i].verdict(), "ok\n") << request;
        EXPECT_EQ(request.rfind(paths[i], 0), 0u) << request;
        EXPECT_NE(request.find("User-Agent: Veltrane Wizard\r\n"), std::string::npos) << request;
        EXPECT_NE(request.find("Connection: Keep-Alive\r\n"), std::string::npos) << request;
    }
    // The redirect after the login is a GET without the login's body.
    EXPECT_EQ(records[2].file("body.bin"), "");
    EXPECT_EQ(records[1].file("body.bin"), "userid=demo&password=secret");
    // The second request names the first as its referrer; the site's path cookie comes back.
    EXPECT_NE(records[1].file("request.txt").find("Referer: " + stand_in.form_site()), std::string::npos);
    EXPECT_NE(records[1].file("request.txt").find("$Path=/"), std::string::npos);
    // The session cookie of the redirected login reaches the screen and the validation.
    EXPECT_NE(records[3].file("request.txt").find("session="), std::string::npos);
    EXPECT_NE(records[4].file("request.txt").find("session="), std::string::npos);
    EXPECT_EQ(records[4].file("body.bin"), "demo=<form><input name=\"a\"></form>");
    // One connection for the host and port.
    for (const auto& record : records)
        EXPECT_EQ(record.file("connection.txt"), records[0].file("connection.txt"));
    EXPECT_FALSE(manager.percentages.empty());
    EXPECT_EQ(manager.percentages.back(), 100);
    EXPECT_EQ(traced().find("secret"), std::string::npos);
}

TEST_F(RegistrationWire, OutcomesOfTheConversation)
{
    struct outcome_case {
        const char* name;
        int request;
        standin::reply_fields fields;
        std::int32_t code;
        std::string message_start;
        std::size_t records;
    };
    const outcome_case cases[] = {
        {"login failed", 2, {{"login", "failed"}}, -1, "", 2},
        {"login unsuccessful", 2, {{"login", "unsuccessful"}}, -1, "", 2},
        {"refused over lines", 5, {{"outcome", "unsuccessful"}}, 0, "eason\tSome inserts", 5},
        {"server error mid-page", 5, {{"outcome", "server_error"}}, 0, "SERVER ERROR while registering the form\r\n", 5},
        {"warning", 5, {{"outcome", "warning"}}, 1, "eason\tSome inserts", 5},
        {"500 at validation", 5, {{"http", "500"}}, 0, "Submitting form...: HTTP 500", 5},
        {"empty outcome", 5, {{"empty", "1"}}, 0, "Submitting form...: the form site answered an empty page", 5},
        {"one-line page", 5, {{"page", "Registration UNSUCCESSFUL"}}, 0, "Registration UNSUCCESSFUL", 5},
    };
    std::size_t seen = 0;
    for (const auto& c : cases) {
        script_request(c.request, c.fields);
        std::string message;
        EXPECT_EQ(register_form("<form></form>", message), c.code) << c.name;
        EXPECT_EQ(message.rfind(c.message_start, 0), 0u) << c.name << ": " << message;
        seen += c.records;
        stand_in.wait_for(static_cast<int>(seen));
        EXPECT_EQ(stand_in.records().size(), seen) << c.name;
    }
}

TEST_F(RegistrationWire, ARefusingManagerSendsNothing)
{
    refusing_manager manager;
    std::string message;
    EXPECT_EQ(register_form("<form></form>", message, &manager), registration_refused);
    EXPECT_TRUE(stand_in.records().empty());
    EXPECT_TRUE(status_texts.empty());
}

TEST_F(RegistrationWire, ARedirectToAnotherPortCarriesNoCookieLinesOrBody)
{
    script_request(5, {{"redirect", "1"}});
    std::string message;
    register_form("<form></form>", message);
    stand_in.wait_for(6);
    auto records = stand_in.records();
    ASSERT_EQ(records.size(), 6u);
    auto moved = records[5].file("request.txt");
    EXPECT_EQ(moved.rfind("GET /cgi-bin/form_validation", 0), 0u) << moved;
    EXPECT_EQ(moved.find("$Path"), std::string::npos) << moved;
    EXPECT_EQ(records[5].file("body.bin"), "");
}

TEST_F(OddPassword, APasswordWithReservedCharactersLogsIn)
{
    std::string message;
    EXPECT_EQ(register_form("<form></form>", message), registration_done) << message;
    EXPECT_EQ(traced().find("p&s=w+d"), std::string::npos);
    EXPECT_EQ(traced().find("p%26s"), std::string::npos);
    EXPECT_NE(traced().find("*****"), std::string::npos);
}

TEST_F(RegistrationWire, ADroppedLoginThrowsTheLayersErrorAndPostsNothingMore)
{
    script_request(2, {{"drops", "2"}});
    std::string message;
    try {
        register_form("<form></form>", message);
        FAIL() << "no exception";
    } catch (const hevtools::win32api_error& error) {
        EXPECT_NE(error.code(), 0);
        EXPECT_NE(std::string(error.what()), "");
    }
    for (const auto& record : stand_in.records())
        EXPECT_EQ(record.file("request.txt").find("form_validation"), std::string::npos);
}

namespace {

// Opens the site, then logs in; keeps what each result said.
class login_client final : public http_driller_client {
public:
    struct seen {
        std::uint32_t status = 0;
        std::string raw_headers;
        std::string request_headers;
        std::string user_agent;
        std::string cookies;
    };
    login_client(std::string site, std::string form_data) : site_(std::move(site)), form_data_(std::move(form_data)) { }

    std::unique_ptr<http_driller_request_action> next_action(http_driller& driller,
        const http_driller_request_result* previous) override
    {
        if (previous) {
            results.push_back({previous->status_code, previous->raw_headers_crlf, previous->request_headers_crlf,
                previous->user_agent, previous->cookies()});
        }
        if (step_ == 2)
            return nullptr;
        auto action = driller.make_action("request");
        action->add_header("Connection: Keep-Alive\r\n");
        if (step_++ == 0) {
            action->set_target_url(site_);
            return action;
        }
        action->set_target_url(site_ + "/cgi-bin/form_login");
        action->set_method(1);
        action->add_header(results.back().cookies);
        action->add_form_data(form_data_);
        return action;
    }
    std::vector<seen> results;

private:
    std::string site_;
    std::string form_data_;
    int step_ = 0;
};

}

TEST_F(RegistrationWire, ResultsHoldTheFinalResponseAndTheRequestAsSent)
{
    auto s = services();
    hevtools::null_operation_manager manager;
    sync_wininet_interface wininet(table);
    service_binding binding(wininet, manager, s, log);
    login_client client(stand_in.form_site(), "userid=demo&password=secret");
    binding.run(client);
    ASSERT_EQ(client.results.size(), 2u);
    stand_in.wait_for(3);
    auto records = stand_in.records();
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(client.results[0].status, 200u);
    EXPECT_EQ(client.results[0].cookies, "Cookie: site=standin; $Path=/\n");
    EXPECT_EQ(client.results[0].request_headers, records[0].file("request.txt"));
    EXPECT_EQ(client.results[0].user_agent, "Veltrane Wizard");
    // The login's 302 was followed: the result is the page it led to, asked for by GET.
    EXPECT_EQ(client.results[1].status, 200u);
    EXPECT_EQ(client.results[1].raw_headers.rfind("HTTP/1.1 200", 0), 0u) << client.results[1].raw_headers;
    EXPECT_EQ(client.results[1].raw_headers.find("302"), std::string::npos);
    EXPECT_EQ(client.results[1].request_headers, records[2].file("request.txt"));
    EXPECT_EQ(records[2].file("request.txt").rfind("GET /cgi-bin/welcome", 0), 0u);
}

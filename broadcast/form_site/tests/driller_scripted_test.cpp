#include "broadcast/form_site/form_registrator.h"
#include "core/errors/errors.h"
#include "broadcast/form_site/tests/program_strings.h"
#include "platform/inet/inet_constants.h"
#include "platform/library/library_table.h"
#include "platform/testing/platform_probes.h"
#include "platform/testing/scripted_internet.h"
#include "platform/testing/temporary_folder.h"

#include <gtest/gtest.h>

using namespace broadcast::form_site;
using platform::testing::scripted_internet;

namespace {

// A driller whose error handler returns, keeping what it was told.
class returning_driller final : public http_winapi_driller {
public:
    using http_winapi_driller::http_winapi_driller;
    void handle_error(std::uint32_t code, const std::string& text) override { errors.push_back({code, text}); }
    int show_message(const std::string&, const std::string&) override { return 0; }
    std::vector<std::pair<std::uint32_t, std::string>> errors;
};

// A client that sends the given actions, one per call, and keeps the results it saw.
class list_client final : public http_driller_client {
public:
    explicit list_client(std::vector<std::string> urls) : urls_(std::move(urls)) { }
    std::unique_ptr<http_driller_request_action> next_action(http_driller& driller,
        const http_driller_request_result* previous) override
    {
        if (asked_++ > 0)
            results.push_back(previous ? previous->status_code : 0);
        if (next_ >= urls_.size())
            return nullptr;
        auto action = driller.make_action("request");
        action->set_target_url(urls_[next_++]);
        return action;
    }
    std::vector<std::uint32_t> results;

private:
    std::vector<std::string> urls_;
    std::size_t next_ = 0;
    int asked_ = 0;
};

class refusing_receiver final : public lengthy_procedure_manager {
public:
    bool progress(int phase, progress_source&) override
    {
        phases.push_back(phase);
        return false;
    }
    std::vector<int> phases;
};

class ScriptedDriller : public ::testing::Test {
protected:
    void SetUp() override
    {
        platform::inet::wininet::register_wininet(table, internet);
        wininet = std::make_unique<sync_wininet_interface>(table);
    }

    driller_environment environment() { return {table, random, folder.path()}; }

    std::size_t count(const std::string& operation) const
    {
        std::size_t n = 0;
        for (const auto& call : internet->calls())
            n += call.operation == operation;
        return n;
    }

    form_site_services services()
    {
        return form_site_services {table, random, folder.path(), "http://site.test", {}, {}, &log};
    }

    installed_program_strings strings;
    std::shared_ptr<scripted_internet> internet = std::make_shared<scripted_internet>();
    platform::library::library_table table;
    std::unique_ptr<sync_wininet_interface> wininet;
    platform::testing::scripted_random random {std::vector<std::uint8_t>(64, 3)};
    platform::testing::temporary_folder folder;
    core::log_stream_provider log;
};

}

TEST_F(ScriptedDriller, ANullFirstAnswerSendsNothing)
{
    returning_driller driller(*wininet, environment(), "Veltrane Wizard", log);
    list_client client({});
    driller.run(client);
    EXPECT_TRUE(internet->calls().empty());
}

TEST_F(ScriptedDriller, ASendFailureIsHandledThenTriedOnceMore)
{
    internet->fail_next("send_request", platform::inet::error_internet_cannot_connect, 2);
    returning_driller driller(*wininet, environment(), "Veltrane Wizard", log);
    list_client client({"http://site.test/a"});
    driller.run(client);
    EXPECT_EQ(count("send_request"), 2u);
    ASSERT_FALSE(driller.errors.empty());
    EXPECT_EQ(driller.errors[0].first, 2u);
    EXPECT_EQ(driller.errors[0].second, "scripted failure of send_request");
    EXPECT_EQ(client.results, (std::vector<std::uint32_t> {0}));
}

TEST_F(ScriptedDriller, TheBindingThrowsTheLayersTextAndCode)
{
    internet->fail_next("send_request", platform::inet::error_internet_cannot_connect, 2);
    hevtools::null_operation_manager manager;
    auto s = services();
    service_binding binding(*wininet, manager, s, log);
    form_registrator registrator({"demo", "secret"}, "<form></form>", "http://site.test", {});
    try {
        binding.run(registrator);
        FAIL() << "no exception";
    } catch (const hevtools::win32api_error& error) {
        EXPECT_STREQ(error.what(), "scripted failure of send_request");
        EXPECT_EQ(error.code(), static_cast<std::int32_t>(platform::inet::error_internet_cannot_connect));
    }
    EXPECT_EQ(count("send_request"), 1u);
    try {
        binding.handle_error(2, "");
        FAIL() << "no exception";
    } catch (const hevtools::win32api_error& error) {
        EXPECT_STREQ(error.what(), "Unrecognized WinIner Error\n");
    }
}

TEST_F(ScriptedDriller, ARequestWithoutAResultEndsTheConversation)
{
    internet->script({200, "", ""});
    internet->script({200, "", "Welcome"});
    internet->fail_next("read_file", platform::inet::error_internet_connection_aborted, 1);
    std::string message;
    hevtools::null_operation_manager manager;
    auto s = services();
    EXPECT_EQ(register_form_with_service(s, {"demo", "secret"}, "<form></form>", manager, message), 0);
    EXPECT_EQ(message, "Verifying UserID & Password...: no response from the form site");
    EXPECT_EQ(internet->requests().size(), 2u);
}

TEST_F(ScriptedDriller, RequestsOfAConversationShareAConnectionPerHostAndPort)
{
    returning_driller driller(*wininet, environment(), "Veltrane Wizard", log);
    list_client client({"http://site.test/a", "http://site.test/b", "http://site.test:8081/c"});
    driller.run(client);
    EXPECT_EQ(count("open"), 1u);
    EXPECT_EQ(count("connect"), 2u);
    EXPECT_EQ(client.results, (std::vector<std::uint32_t> {200, 200, 200}));
}

TEST_F(ScriptedDriller, AnUploadRefusedAtItsBeginSendsNothing)
{
    returning_driller driller(*wininet, environment(), "Veltrane Wizard", log);
    refusing_receiver receiver;
    driller.set_progress_receiver(&receiver);
    auto action = driller.make_action("file-upload");
    action->set_target_url("http://site.test/upload");
    action->add_form_data("a=1");
    auto result = action->execute(driller);
    EXPECT_EQ(result, nullptr);
    EXPECT_EQ(receiver.phases, (std::vector<int> {progress_begin}));
    EXPECT_EQ(count("send_request_ex"), 0u);
    EXPECT_EQ(count("write_file"), 0u);
}

TEST(ProgressSource, PercentIsZeroWhileTheTotalIsUnknownAndHundredAtTheEnd)
{
    struct source : progress_source {
        void move(std::uint64_t bytes, std::uint64_t total)
        {
            moved_ = bytes;
            total_ = total;
        }
        void end() { report(progress_end); }
    } s;
    s.move(500, 0);
    EXPECT_EQ(s.amount(true), 0u);
    EXPECT_EQ(s.amount(false), 500u);
    s.move(250, 1000);
    EXPECT_EQ(s.amount(true), 25u);
    s.move(500, 0);
    s.end();
    EXPECT_EQ(s.amount(true), 100u);
}

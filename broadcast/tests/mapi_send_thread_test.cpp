#include "broadcast_ui_fixture.h"

#include "broadcast/launch/mapi_send_thread.h"
#include "broadcast/log/broadcast_log.h"
#include "core/files/file_path.h"
#include "platform/testing/fixed_clock.h"

#include <mutex>
#include <thread>

using namespace broadcast;
using platform::mail::mapi_entry;
using platform::testing::read_file;

namespace {

// A mail system that records what the worker asks of it and fails the call it is told to.
class recording_sender final : public mapi_mail_sender {
public:
    bool bound = true;
    std::optional<core::mapi_failure> failure;
    std::vector<std::string> calls;
    mapi_mail sent;

    bool loaded() const override { return bound; }
    void logon(std::uintptr_t) override
    {
        calls.push_back("logon");
        fail_for(mapi_entry::MAPILogon);
    }
    void send(const mapi_mail& mail) override
    {
        calls.push_back("send");
        fail_for(mapi_entry::MAPIResolveName);
        fail_for(mapi_entry::MAPISendMail);
        sent = mail;
    }
    void logoff() override { calls.push_back("logoff"); }

private:
    void fail_for(mapi_entry entry)
    {
        if (failure && failure->entry == entry)
            throw mapi_error(*failure);
    }
};

}

class SimpleMapiWorker : public BroadcastUi {
protected:
    platform::testing::fixed_clock clock;
    std::shared_ptr<recording_sender> sender = std::make_shared<recording_sender>();

    std::unique_ptr<mapi_send_job> send_job(broadcast_ref job)
    {
        auto send = std::make_unique<mapi_send_job>(std::move(job));
        send->sender = sender;
        send->recipient = "bulk@example.test";
        send->inputs.login_line = service_account {"user", "secret"};
        send->inputs.version = "1.0";
        send->main_window = main_window;
        return send;
    }

    broadcast_ref news_job()
    {
        auto job = broadcast_ref::make(std::make_unique<quorbis_broadcast>());
        job->name = "news";
        job->subject = "Spring news";
        write_bodies(*job, {0, 2});
        platform::testing::write_file(root.file("report.pdf"), "%PDF");
        job->add_push_file(root.file("report.pdf"));
        return job;
    }

    // Runs the worker on its own thread while this thread dispatches, until the frame
    // hears of its end; the worker's result.
    std::uint32_t run(std::unique_ptr<mapi_send_job> send)
    {
        std::uint32_t result = 0;
        std::jthread worker([&](std::stop_token stop) {
            result = mapi_send_thread(std::move(send), mapi_worker_services {host, queue, clock}, stop);
        });
        EXPECT_TRUE(queue.run_until([&] { return !posted_to_main.empty(); }));
        worker.join();
        EXPECT_EQ(posted_to_main, (std::vector<std::uint32_t> {platform::ui::WM_USER + 1}));
        EXPECT_EQ(host.wait_cursor_count(), 0);
        return result;
    }
};

TEST_F(SimpleMapiWorker, SendsTheCommandFileThenThePackageAndLogsTheBroadcast)
{
    host.expect_message(strings.text(20036), platform::ui::MB_OK | platform::ui::MB_ICONINFORMATION, platform::ui::IDOK);
    auto job = news_job();
    EXPECT_EQ(run(send_job(job)), 0u);
    EXPECT_EQ(sender->calls, (std::vector<std::string> {"logon", "send", "logoff"}));
    EXPECT_EQ(sender->sent.subject, "Spring news");
    EXPECT_EQ(sender->sent.recipient, "bulk@example.test");
    std::vector<std::string> names;
    for (const auto& path : sender->sent.attachments)
        names.push_back(core::file_path(path).file_name());
    EXPECT_EQ(names, (std::vector<std::string> {"command.txt", "body.htm", "body.txt", "report.pdf"}));
    EXPECT_EQ(read_file(broadcast_log_path()),
        "12/10/26 14:03:05 MAPI SMTP broadcast. Job name: news. Job was sent to the Quorbis server.\r\n");
    // The package builder has ended with the send; only the test's reference is left.
    EXPECT_EQ(job.use_count(), 1);
}

TEST_F(SimpleMapiWorker, AFailedCallIsReportedAndAnOpenedSessionClosed)
{
    struct row {
        mapi_entry entry;
        std::uint32_t code;
        std::vector<std::string> calls;
    } rows[] = {
        {mapi_entry::MAPILogon, 2, {"logon"}},
        {mapi_entry::MAPIResolveName, 21, {"logon", "send", "logoff"}},
        {mapi_entry::MAPISendMail, 11, {"logon", "send", "logoff"}},
    };
    for (const auto& r : rows) {
        sender = std::make_shared<recording_sender>();
        sender->failure = core::mapi_failure {r.entry, r.code};
        posted_to_main.clear();
        host.expect_message(strings.text(core::mapi_failure_message_id(*sender->failure)), platform::ui::MB_OK,
            platform::ui::IDOK);
        EXPECT_EQ(run(send_job(news_job())), 0u);
        EXPECT_EQ(sender->calls, r.calls) << r.code;
    }
    EXPECT_FALSE(core::file_path(broadcast_log_path()).exists());
}

TEST_F(SimpleMapiWorker, EveryOtherEndStillTellsTheFrame)
{
    // Stopped: nothing is shown or sent.
    auto stopped = news_job();
    stopped->stop_immediately_ = true;
    EXPECT_EQ(run(send_job(stopped)), E_FAIL);

    // The mail system is not bound.
    posted_to_main.clear();
    sender->bound = false;
    host.expect_message(strings.text(1149), platform::ui::MB_OK | platform::ui::MB_ICONERROR, platform::ui::IDOK);
    EXPECT_EQ(run(send_job(news_job())), E_FAIL);

    // The package cannot be made: its reason is shown.
    posted_to_main.clear();
    sender->bound = true;
    auto broken = news_job();
    broken->subject = "two\nlines";
    host.expect_message("The broadcast's subject holds a line break or NUL character, which the command file cannot carry",
        platform::ui::MB_OK | platform::ui::MB_ICONERROR, platform::ui::IDOK);
    EXPECT_EQ(run(send_job(broken)), 0u);
    EXPECT_TRUE(sender->calls.empty());
}

TEST_F(SimpleMapiWorker, AWorkerToldToStopWhileAskingEndsWithoutAnAnswer)
{
    auto job = news_job();
    std::uint32_t result = 1;
    {
        std::jthread worker([&](std::stop_token stop) {
            result = mapi_send_thread(send_job(job), mapi_worker_services {host, queue, clock}, stop);
        });
        // The worker's closing box waits for this thread, which stops it instead.
        ASSERT_TRUE(platform::threads::wait(platform::threads::INFINITE_WAIT));
        worker.request_stop();
    }
    EXPECT_EQ(result, 0u);
    EXPECT_EQ(sender->calls, (std::vector<std::string> {"logon", "send", "logoff"}));
    queue.pump();
    EXPECT_EQ(posted_to_main, (std::vector<std::uint32_t> {platform::ui::WM_USER + 1}));
    EXPECT_EQ(host.wait_cursor_count(), 0);
}

#include "../../tests/status_dialog_fixture.h"
#include "broadcast/ftp/ftp_transport.h"
#include "broadcast/ftp/quorbis_broadcast_dlg.h"
#include "broadcast/ftp/quorbis_ftp_broadcaster.h"
#include "broadcast/job/quorbis_broadcast.h"
#include "broadcast/launch/broadcast_launch.h"
#include "core/files/file_path.h"
#include "broadcast/smtp/smtp_broadcast.h"
#include "core/tools/console_tool.h"
#include "platform/clock/utc_clock.h"
#include "platform/net/tcp_socket.h"
#include "platform/testing/file_contents.h"
#include "platform/testing/fixed_clock.h"
#include "platform/testing/scripted_prompt.h"
#include "platform/testing/scripted_runner.h"
#include "platform/testing/test_services.h"
#include "platform/ui/message_queue.h"
#include "platform/ui/testing/scripted_host.h"
#include "platform/ui/tick_clock.h"
#include "standin/fixture/quorbis_stand_in.h"

#include <gtest/gtest.h>

#include <random>

namespace ui = platform::ui;

namespace broadcast {
namespace {

using dialog_script = std::function<void(ui::testing::DialogDriver&, CQuorbisBroadcastDlg&)>;

standin::stand_in_options first_job_4711()
{
    standin::stand_in_options options;
    options.first_job = 4711;
    return options;
}

class FtpBroadcast : public StatusDialogFixture {
protected:
    void SetUp() override
    {
        StatusDialogFixture::SetUp();
        ftp_value = stand_in.ftp_server();
    }
    void TearDown() override
    {
        core::set_console_tool_runner(nullptr);
        StatusDialogFixture::TearDown();
    }

    // In FTP's stream mode the end of a data connection is the end of the file: a server that
    // reads an aborted upload's last bytes after the abort may answer 226 to them, but what it
    // got is never a whole package.
    void expect_no_job_taken()
    {
        for (const auto& record : stand_in.records())
            EXPECT_NE(record.verdict(), "ok\n") << "an aborted upload was taken whole";
    }

    // A push file of random bytes, which the archive cannot shrink.
    void attach_random_file(std::size_t size)
    {
        std::mt19937 random(7);
        std::string bytes(size, '\0');
        for (auto& byte : bytes)
            byte = static_cast<char>(random());
        const std::string path = root.file("data/big.bin");
        platform::testing::write_file(path, bytes);
        job->add_push_file(path);
    }

    // One broadcast under the program's dialog, driven by the script; returns once the
    // task has ended.
    void run(const dialog_script& script, ftp_credentials account = {"demo", "secret"},
        std::vector<std::pair<unsigned, unsigned>> messages = {})
    {
        ftp_server_setting server([this] { return ftp_value; }, "unused.test");
        ftp_broadcast_services services {server,
            [](const platform::ftp::ftp_endpoint& endpoint) {
                platform::ftp::ftp_options options;
                options.idle_timeout = std::chrono::seconds(20);
                options.reply_timeout = std::chrono::seconds(20);
                return platform::ftp::make_curl_ftp_session(endpoint, options);
            },
            zone, [] { return command_file_inputs {{}, std::nullopt, "3.4.0.1", false}; },
            [](const quorbis_broadcast& job) { return form_greetings_file(job.send_form_as_attachment_); }};
        auto broadcaster = std::make_shared<quorbis_ftp_broadcaster>(std::move(services), &preparation);
        {
            CTalverinBroadcastDlg dialog(dialog_services, std::make_shared<ftp_status_channel>(),
                [account] { return account; }, register_dialog);
            host.expect_dialog(177, [&](ui::testing::DialogDriver& driver) { script(driver, dialog); });
            for (const auto& [id, type] : messages)
                host.expect_message(test_services.services.strings.text(id), type, ui::IDOK);
            dialog.DoBroadcast(broadcaster, job);
        }
        EXPECT_EQ(broadcaster->wait_until_ended(60000), core::wait_result::signalled);
    }
    // Waits for the end and checks the failure shown, then closes the dialog.
    static dialog_script expect_failure(std::string shown)
    {
        return [shown](ui::testing::DialogDriver& driver, CQuorbisBroadcastDlg& dialog) {
            ASSERT_TRUE(driver.wait_until([&] { return dialog.finished(); }));
            const std::string text = dialog.GetDlgItemText(1031);
            EXPECT_EQ(text.rfind("Broadcasting failed or interrupted by user, \r\nJob Number ", 0), 0u) << text;
            EXPECT_NE(text.find(shown), std::string::npos) << text;
            EXPECT_EQ(dialog.item(1083).image, 189);
            EXPECT_EQ(dialog.GetDlgItemText(2), "Close");
            driver.click(2);
        };
    }
    std::size_t log_entries() const
    {
        const std::string text = log();
        std::size_t n = 0;
        for (auto at = text.find("FTP broadcast. Job name:"); at != std::string::npos;
             at = text.find("FTP broadcast. Job name:", at + 1))
            ++n;
        return n;
    }
    static bool waits_for_step_three(ui::testing::DialogDriver& driver, CQuorbisBroadcastDlg& dialog)
    {
        return driver.wait_until([&] { return dialog.GetDlgItemText(1031).rfind("Sending archive ", 0) == 0; });
    }

    standin::QuorbisStandIn stand_in {first_job_4711()};
    std::string ftp_value;
    // Where the program's dialog registers itself; absent in most cases.
    std::function<void(registered_broadcast_dialog*)> register_dialog;
    form_preparation preparation {false, host, dialogs, "", {}, {}};
};

TEST_F(FtpBroadcast, TheJobNumberIsShownAndLoggedOnceAndCloseAddsNothing)
{
    run([](ui::testing::DialogDriver& driver, CQuorbisBroadcastDlg& dialog) {
        EXPECT_EQ(dialog.GetWindowText(), "Quorbis FTP Broadcast Status");
        ASSERT_TRUE(driver.wait_until([&] { return dialog.finished(); }));
        EXPECT_EQ(dialog.GetDlgItemText(1031),
            "Broadcasting completed successfully, \r\nJob Number 4711 (Please make a note of it)");
        EXPECT_EQ(dialog.last_status_text(), "226 Transfer complete. JOB = 4711");
        EXPECT_EQ(dialog.item(1083).image, 188);
        EXPECT_FALSE(dialog.item(1030).visible);
        EXPECT_EQ(dialog.GetDlgItemText(2), "Close");
        EXPECT_EQ(dialog.GetDlgItemText(1181).rfind("File size: ", 0), 0u) << dialog.GetDlgItemText(1181);
        EXPECT_FALSE(dialog.is_busy());
        driver.click(2);
    });
    EXPECT_EQ(log(), "12/10/26 14:03:05 FTP broadcast. Job name: June news. Broadcasting completed successfully, \r\n"
                     "Job Number 4711 (Please make a note of it)\r\n");
    stand_in.wait_for(1);
    const auto records = stand_in.records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].verdict(), "ok\n");
    const std::string commands = records[0].file("request.txt");
    EXPECT_EQ(commands.find("USER demo"), commands.rfind("USER demo")) << "one login: " << commands;
}

TEST_F(FtpBroadcast, TheDialogIsTheFramesBroadcastDialogWhileItExists)
{
    std::vector<registered_broadcast_dialog*> registered;
    register_dialog = [&](registered_broadcast_dialog* dialog) { registered.push_back(dialog); };
    run([&](ui::testing::DialogDriver& driver, CQuorbisBroadcastDlg& dialog) {
        ASSERT_EQ(registered.size(), 1u);
        auto* shown = dynamic_cast<registered_broadcast_dialog*>(&dialog);
        EXPECT_EQ(registered[0], shown) << "registered before it runs";
        ASSERT_TRUE(driver.wait_until([&] { return dialog.finished(); }));
        EXPECT_TRUE(registered[0]->finished()) << "a finished broadcast no longer counts as running";
        driver.click(2);
    });
    ASSERT_EQ(registered.size(), 2u);
    EXPECT_EQ(registered[1], nullptr) << "unregistered when it goes";
}

TEST_F(FtpBroadcast, AReplyOf552AfterTheDataIsAFailure)
{
    stand_in.script("ftp", {{"reply", "552 Not a package"}});
    run(expect_failure("552 Not a package"));
    EXPECT_EQ(log(), "12/10/26 14:03:05 FTP broadcast. Job name: June news. Broadcasting failed or interrupted by user, "
                     "\r\nJob Number 552 Not a package (Please make a note of it)\r\n");
}

TEST_F(FtpBroadcast, AnotherFinalReplyThanTheStoredOnesIsAFailure)
{
    stand_in.script("ftp", {{"reply", "200 Odd. JOB = 12"}});
    run(expect_failure("The upload failed: "));
    EXPECT_NE(log().find("Broadcasting failed"), std::string::npos);
}

TEST_F(FtpBroadcast, AWrongPasswordEndsTheBroadcastWithTheConnectionFailure)
{
    run(expect_failure("Connection to the 127.0.0.1 server failed. Could not complete broadcast."), {"demo", "wrong"});
    const std::string text = log();
    EXPECT_EQ(log_entries(), 1u) << text;
    EXPECT_NE(text.find("FTP broadcast. Job name: June news. Broadcasting failed"), std::string::npos) << text;
    EXPECT_TRUE(stand_in.records().empty());
}

TEST_F(FtpBroadcast, WhatCannotBeSentIsRefusedBeforeConnecting)
{
    auto failed_run = [](int code) {
        platform::process::run_result result;
        result.started = true;
        result.exit_code = code;
        return result;
    };
    struct row {
        const char* what;
        std::string server;
        ftp_credentials account;
        std::vector<platform::process::run_result> tools; // scripted tar and zip; none: the real ones
        const char* shown;
        bool empty_job = false;
    };
    const std::string port = std::to_string(stand_in.port("ftp"));
    const row rows[] = {
        {"a port over 16 bits", "127.0.0.1:70000", {"demo", "secret"}, {}, "(FTPServer of the broadcast key) is not usable"},
        {"a port not a number", "127.0.0.1:x", {"demo", "secret"}, {}, "is not usable: \"127.0.0.1:x\""},
        {"CR LF in the password", "127.0.0.1:" + port, {"demo", "secret\r\nNOOP"}, {}, "holds a line break"},
        {"LF in the user", "127.0.0.1:" + port, {"demo\nNOOP", "secret"}, {}, "holds a line break"},
        {"no tar", "127.0.0.1:" + port, {"demo", "secret"},
            {platform::process::run_result {false, -1, 0, "", "no such program"}}, "no such program"},
        {"an empty archive", "127.0.0.1:" + port, {"demo", "secret"}, {failed_run(0), failed_run(0)},
            "missing or empty"},
        {"a job without bodies", "127.0.0.1:" + port, {"demo", "secret"}, {}, "stopped before anything was sent", true},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        std::filesystem::remove(log_path);
        ftp_value = r.server;
        platform::testing::scripted_runner runner;
        for (const auto& answer : r.tools)
            runner.answer(answer);
        core::set_console_tool_runner(r.tools.empty() ? nullptr : &runner);
        auto bodies = job->bodies;
        std::vector<std::pair<unsigned, unsigned>> messages;
        if (r.empty_job) {
            job->bodies.clear();
            messages.emplace_back(20028, ui::MB_OK | ui::MB_ICONEXCLAMATION);
        }
        run(expect_failure(r.shown), r.account, messages);
        job->bodies = bodies;
        job->stop_immediately_ = false;
        EXPECT_EQ(log_entries(), 1u) << log();
    }
    core::set_console_tool_runner(nullptr);
    EXPECT_TRUE(stand_in.records().empty());
}

TEST_F(FtpBroadcast, CancelStopsTheUploadAtItsNextProgressAndIsLoggedOnce)
{
    attach_random_file(600000);
    stand_in.script("ftp", {{"fault", "throttle"}, {"rate", "20000"}});
    run(
        [](ui::testing::DialogDriver& driver, CQuorbisBroadcastDlg& dialog) {
            ASSERT_TRUE(waits_for_step_three(driver, dialog));
            driver.click(2);
        },
        {"demo", "secret"}, {{20039, ui::MB_OK | ui::MB_ICONINFORMATION}});
    EXPECT_EQ(log(), "12/10/26 14:03:05 FTP broadcast. Job name: June news. Broadcasting interrupted\r\n");
    EXPECT_EQ(host.pending(), 0u);
    expect_no_job_taken();
}

TEST_F(FtpBroadcast, ADialogGoneMidUploadStopsTheUploadAndLogsNothing)
{
    attach_random_file(600000);
    stand_in.script("ftp", {{"fault", "throttle"}, {"rate", "20000"}});
    run([](ui::testing::DialogDriver& driver, CQuorbisBroadcastDlg& dialog) {
        ASSERT_TRUE(waits_for_step_three(driver, dialog));
        EXPECT_TRUE(dialog.is_busy());
        dialog.close(true);
    });
    EXPECT_EQ(log(), "");
    expect_no_job_taken();
}

}
}

namespace broadcast {
namespace {

class no_dialup final : public dialup_connection {
public:
    int RASDllOK() override { return 0; }
    long SetCurrentConfig(const std::string&) override { return 0; }
    int Dial(std::uintptr_t) override { return 0; }
    int State() override { return 0; }
};

class fixed_host_name final : public platform::net::host_names {
public:
    std::string local_host_name() const override { return "client.example"; }
};

TEST_F(FtpBroadcast, TheLaunchRunsTheFtpAndSmtpSlotsTheProgramBinds)
{
    ftp_server_setting server([this] { return ftp_value; }, default_ftp_host());
    no_dialup dialup;
    platform::testing::scripted_prompt prompt;
    fixed_host_name names;
    platform::system_utc_clock utc;
    launch_account account {"Default", 0, 0, {"demo", "secret"}, stand_in.smtp_server(), 30000};
    auto settings = [] { return service_settings {"submit@standin.test", {}}; };
    transport_set transports;
    transports.ftp = make_ftp_transport({host, dialogs, clock, log_path, server,
        [](const platform::ftp::ftp_endpoint& endpoint) { return platform::ftp::make_curl_ftp_session(endpoint); },
        zone, [&] { return account; }, settings});
    transports.smtp = make_smtp_transport({dialog_services,
        {prompt, test_services.services.strings, names, std::chrono::milliseconds(1), zone, utc, clock, log_path,
            core::standard_folder_path(0)},
        [&] { return account; }, settings});
    {
        broadcast_launch launch(launch_services {host, queue, ticks, clock, dialogs, [&] { return account; }, settings,
            dialup, transports, [](broadcast_ref) { }, "", {}, {}});
        auto close_when_done = [](ui::testing::DialogDriver& driver) {
            ASSERT_TRUE(driver.wait_until([&] { return driver.current().work_done(); }));
            driver.click(2);
        };
        host.expect_dialog(177, close_when_done);
        launch.DispatchBroadcast(job);
        account.transport = 1;
        host.expect_dialog(177, close_when_done);
        launch.DispatchBroadcast(job);
    }
    transports = {};
    EXPECT_EQ(log(), "12/10/26 14:03:05 FTP broadcast. Job name: June news. Broadcasting completed successfully, \r\n"
                     "Job Number 4711 (Please make a note of it)\r\n"
                     "12/10/26 14:03:05 Native SMTP broadcast. Job name: June news. Broadcasting completed "
                     "successfully\r\n");
    stand_in.wait_for(2);
    for (const auto& record : stand_in.records())
        EXPECT_EQ(record.verdict(), "ok\n") << record.service;
}

}
}

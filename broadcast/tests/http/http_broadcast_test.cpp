#include "../program_folders.h"
#include "broadcast/http/http_broadcast_dlg.h"
#include "core/files/file_path.h"
#include "platform/inet/curl_internet.h"
#include "platform/testing/file_contents.h"
#include "platform/testing/fixed_clock.h"
#include "platform/testing/test_services.h"
#include "platform/ui/message_queue.h"
#include "platform/ui/testing/scripted_host.h"
#include "platform/ui/tick_clock.h"
#include "standin/fixture/quorbis_stand_in.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace ui = platform::ui;
using broadcast::broadcast_ref;

namespace {

class HttpBroadcast : public BroadcastFolders {
protected:
    void SetUp() override
    {
        BroadcastFolders::SetUp();
        host.set_ui_queue(&queue);
        auto made = std::make_unique<broadcast::quorbis_broadcast>();
        made->name = "June news";
        job = broadcast_ref::make(std::move(made));
        platform::testing::write_file(job->body_file_name(0, true), "<html><body>Hello</body></html>");
        platform::testing::write_file(job->body_file_name(2, true), "Hello");
        job->bodies = {{0, job->body_file_name(0, true)}, {2, job->body_file_name(2, true)}};
    }

    broadcast::http_broadcast_settings settings_for(const standin::QuorbisStandIn& stand_in, bool secure) const
    {
        broadcast::http_broadcast_settings settings;
        settings.account = {"demo", "secret", "3.4.0.1"};
        settings.url = secure ? stand_in.http_broadcast_url_secure() : stand_in.http_broadcast_url();
        settings.secure = secure;
        settings.agent = "Quorbis Veltrane Wizard 3.4";
        settings.command_inputs = {{}, broadcast::service_account {"demo", "secret"}, "3.4.0.1", false};
        settings.greetings_file = root.file("data/html_form_pull.greetings");
        return settings;
    }
    std::shared_ptr<platform::inet::internet> layer_for(const standin::QuorbisStandIn& stand_in) const
    {
        platform::inet::internet_options options;
        options.ca_file = stand_in.ca_file();
        options.idle_timeout = std::chrono::milliseconds(5000);
        return platform::inet::make_curl_internet(options);
    }
    // Runs the dialog until the worker's outcome, then closes it.
    void run_to_outcome(broadcast::CHTTPBroadcastDlg& dialog, int outcome, bool lock_shown)
    {
        host.expect_dialog(177, [&](ui::testing::DialogDriver& driver) {
            EXPECT_EQ(dialog.title(), "Quorbis HTTP(S) Broadcast Status");
            EXPECT_EQ(dialog.item(1205).visible, lock_shown);
            ASSERT_TRUE(driver.wait_until([&] { return dialog.GetState() == outcome; }));
            driver.click(2);
        });
        EXPECT_EQ(dialog.DoModal(), ui::IDCANCEL);
    }
    std::vector<std::string> files_in(const std::string& folder) const
    {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder))
            if (entry.path().filename() != "last.tar.gz" && entry.path().filename().string().rfind("msg", 0) == 0)
                names.push_back(entry.path().filename().string());
        return names;
    }

    platform::testing::test_services test_services;
    ui::steady_tick_clock ticks;
    ui::MessageQueue queue {ticks};
    ui::testing::ScriptedHost host {test_services.services.strings};
    ui::DialogTemplates dialogs = ui::DialogTemplates::load(TALVERIN_DIALOGS);
    platform::testing::fixed_clock clock;
    platform::system_utc_clock utc;
    broadcast::system_time_zone zone;
    std::string log_path = root.file("data/Broadcast.log");
    broadcast::broadcast_dialog_services dialog_services {host, dialogs, clock, log_path};
    broadcast_ref job;
};

}

TEST_F(HttpBroadcast, ARealPackageIsSentAndItsJobNumberShownAndLogged)
{
    for (bool secure : {false, true}) {
        standin::QuorbisStandIn stand_in;
        std::filesystem::remove(log_path);
        const std::string temporary = core::standard_folder_path(0);
        broadcast::http_broadcast_services services {layer_for(stand_in), zone, utc, clock, log_path, temporary};
        auto status = std::make_shared<broadcast::broadcast_status>();
        std::jthread worker;
        {
            broadcast::CHTTPBroadcastDlg dialog(job, status, dialog_services, settings_for(stand_in, secure), services,
                worker);
            run_to_outcome(dialog, 5, secure);
            EXPECT_EQ(dialog.GetDlgItemText(1031),
                "Broadcasting completed successfully\r\nJob Number 1001 (Please make a note of it)");
            EXPECT_EQ(dialog.GetDlgItemText(1181).rfind("File size: ", 0), 0u) << dialog.GetDlgItemText(1181);
        }
        worker.join();
        EXPECT_EQ(platform::testing::read_file(log_path),
            "12/10/26 14:03:05 HTTP broadcast. Job name: June news. Broadcasting completed successfully\r\n"
            "Job Number 1001 (Please make a note of it)\r\n");
        stand_in.wait_for(1);
        const auto records = stand_in.records();
        ASSERT_EQ(records.size(), 1u);
        EXPECT_EQ(records[0].verdict(), "ok\n") << records[0].verdict();
        EXPECT_TRUE(files_in(temporary).empty()) << "the request file is gone";
    }
}

TEST_F(HttpBroadcast, FailuresEndInStateSixWithTheirCause)
{
    struct row {
        const char* what;
        bool stop_job;
        standin::reply_fields script;
        const char* cause; // the detail's start
        bool body_gone = false;
    };
    const row rows[] = {
        {"a stopped job", true, {}, ""},
        {"the service refuses", false, {{"status", "3"}, {"description", "Account locked"}},
            "The service did not accept the job (status 3); the trace log holds its reason."},
        {"a portal's page", false, {{"body", "<html>Welcome</html>"}},
            "The answer was not the service's (a proxy or network login page?)."},
        {"a body gone before the package is built", false, {}, "The broadcast could not be prepared: ", true},
    };
    for (const auto& r : rows) {
        standin::QuorbisStandIn stand_in;
        std::filesystem::remove(log_path);
        if (!r.script.empty())
            stand_in.script("gateway", r.script);
        job->stop_immediately_ = r.stop_job;
        if (r.body_gone)
            std::filesystem::remove(job->body_file_name(0, true));
        broadcast::http_broadcast_services services {layer_for(stand_in), zone, utc, clock, log_path,
            core::standard_folder_path(0)};
        auto status = std::make_shared<broadcast::broadcast_status>();
        std::jthread worker;
        {
            broadcast::CHTTPBroadcastDlg dialog(job, status, dialog_services, settings_for(stand_in, false), services,
                worker);
            run_to_outcome(dialog, 6, false);
            const std::string expected = std::string("Broadcasting failed or interrupted by user")
                + (*r.cause ? std::string("\r\n") + r.cause : std::string());
            const std::string shown = dialog.GetDlgItemText(1031);
            EXPECT_EQ(shown.substr(0, r.body_gone ? expected.size() : std::string::npos), expected) << r.what;
            if (r.body_gone)
                EXPECT_GT(shown.size(), expected.size()) << "the cause names what failed";
            EXPECT_EQ(dialog.item(1083).image, 189) << r.what;
        }
        worker.join();
        EXPECT_EQ(platform::testing::read_file(log_path).find("Account locked"), std::string::npos);
        EXPECT_NE(platform::testing::read_file(log_path).find("HTTP broadcast. Job name: June news. Broadcasting failed"),
            std::string::npos) << r.what;
        if (r.stop_job || r.body_gone)
            EXPECT_TRUE(stand_in.records().empty()) << "a stopped job makes no connection";
    }
}

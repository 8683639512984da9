#include "../../tests/status_dialog_fixture.h"
#include "broadcast/job/quorbis_broadcast.h"
#include "broadcast/smtp/smtp_broadcast.h"
#include "broadcast/smtp/smtp_context.h"
#include "core/files/file_path.h"
#include "platform/clock/utc_clock.h"
#include "platform/net/tcp_socket.h"
#include "platform/prompts/message_box.h"
#include "platform/testing/file_contents.h"
#include "platform/testing/fixed_clock.h"
#include "platform/testing/scripted_prompt.h"
#include "platform/testing/test_services.h"
#include "platform/ui/message_queue.h"
#include "platform/ui/testing/scripted_host.h"
#include "platform/ui/tick_clock.h"
#include "standin/fixture/quorbis_stand_in.h"

#include <gtest/gtest.h>

namespace ui = platform::ui;

namespace broadcast {
namespace {

class fixed_host_name final : public platform::net::host_names {
public:
    std::string local_host_name() const override { return "client.example"; }
};

class SmtpBroadcast : public StatusDialogFixture {
protected:

    smtp_broadcast_settings settings(const std::string& destination = "submit@standin.test") const
    {
        smtp_broadcast_settings result;
        result.server = stand_in.smtp_server();
        result.wait_timeout = 30000;
        result.destination = destination;
        result.command_inputs = {{}, service_account {"demo", "secret"}, "3.4.0.1", false};
        result.greetings_file = root.file("data/html_form_pull.greetings");
        return result;
    }
    // Runs the dialog with the script, then waits for the worker.
    void run(const smtp_broadcast_settings& settings,
        const std::function<void(ui::testing::DialogDriver&, CSMTPBroadcastDlg&)>& script,
        std::vector<unsigned> messages = {})
    {
        auto status = std::make_shared<broadcast_status>();
        std::jthread worker;
        {
            CSMTPBroadcastDlg dialog(job, status, dialog_services, settings, services, worker);
            host.expect_dialog(177, [&](ui::testing::DialogDriver& driver) { script(driver, dialog); });
            for (unsigned id : messages)
                host.expect_message(strings().text(id), ui::MB_OK | ui::MB_ICONINFORMATION, ui::IDOK);
            EXPECT_EQ(dialog.DoModal(), ui::IDCANCEL);
        }
        worker.join();
    }
    static void close_at(ui::testing::DialogDriver& driver, CSMTPBroadcastDlg& dialog, int outcome)
    {
        EXPECT_EQ(dialog.title(), "Quorbis SMTP Broadcast Status");
        ASSERT_TRUE(driver.wait_until([&] { return dialog.GetState() == outcome; }));
        driver.click(2);
    }
    const platform::strings::string_table& strings() const { return test_services.services.strings; }

    standin::QuorbisStandIn stand_in;
    platform::system_utc_clock utc;
    platform::testing::scripted_prompt prompt;
    fixed_host_name names;
    smtp_broadcast_services services {prompt, test_services.services.strings, names, std::chrono::milliseconds(1), zone,
        utc, clock, log_path, core::standard_folder_path(0)};
};

TEST_F(SmtpBroadcast, ThePackageGoesAsAttachmentsAndTheSuccessIsLogged)
{
    run(settings(), [](ui::testing::DialogDriver& driver, CSMTPBroadcastDlg& dialog) {
        close_at(driver, dialog, state_succeeded);
        EXPECT_EQ(dialog.GetDlgItemText(1031), "Broadcasting completed successfully");
        EXPECT_EQ(dialog.GetDlgItemText(1181).rfind("File size: ", 0), 0u) << dialog.GetDlgItemText(1181);
        EXPECT_EQ(dialog.item(1083).image, 188);
    });
    EXPECT_EQ(log(), "12/10/26 14:03:05 Native SMTP broadcast. Job name: June news. Broadcasting completed "
                     "successfully\r\n");
    stand_in.wait_for(1);
    const auto records = stand_in.records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].verdict(), "ok\n");
}

TEST_F(SmtpBroadcast, ARefusedMessageFailsWithTheServersSilenceMessage)
{
    stand_in.script("smtp", {{"end", "554 Not a package"}});
    prompt.expect(strings().text(1147), platform::prompts::MB_OK | platform::prompts::MB_ICONERROR,
        platform::prompts::IDOK);
    run(settings(), [](ui::testing::DialogDriver& driver, CSMTPBroadcastDlg& dialog) {
        close_at(driver, dialog, state_failed);
        EXPECT_EQ(dialog.item(1083).image, 189);
    });
    EXPECT_EQ(log(), "12/10/26 14:03:05 Native SMTP broadcast. Job name: June news. Broadcasting failed or "
                     "interrupted by user\r\n");
}

TEST_F(SmtpBroadcast, ADestinationThatWouldInjectCommandsIsRefusedBeforeConnecting)
{
    for (const char* destination : {"submit@standin.test\r\nRCPT TO:<other@x>", "a@b\n.", "<a@b>", ""}) {
        std::filesystem::remove(log_path);
        run(settings(destination), [](ui::testing::DialogDriver& driver, CSMTPBroadcastDlg& dialog) {
            close_at(driver, dialog, state_failed);
            EXPECT_NE(dialog.GetDlgItemText(1031).find("SMTPDestAddr"), std::string::npos);
        });
        EXPECT_NE(log().find("Native SMTP broadcast. Job name: June news. Broadcasting failed"), std::string::npos);
    }
    EXPECT_TRUE(stand_in.records().empty());
}

TEST_F(SmtpBroadcast, ABodyGoneBeforeTheMessageIsWrittenFailsBeforeConnecting)
{
    std::filesystem::remove(job->body_file_name(0, true));
    run(settings(), [](ui::testing::DialogDriver& driver, CSMTPBroadcastDlg& dialog) {
        close_at(driver, dialog, state_failed);
        EXPECT_NE(dialog.GetDlgItemText(1031).find("could not be prepared"), std::string::npos)
            << dialog.GetDlgItemText(1031);
    });
    EXPECT_TRUE(stand_in.records().empty());
}

TEST_F(SmtpBroadcast, CancelWhileTheServerIsSilentEndsTheWorkerAndIsLoggedOnce)
{
    stand_in.hold("smtp");
    run(
        settings(),
        [&](ui::testing::DialogDriver& driver, CSMTPBroadcastDlg& dialog) {
            ASSERT_TRUE(driver.wait_until([&] { return dialog.GetState() == 3; }));
            stand_in.wait_event("held smtp");
            driver.click(2);
        },
        {20039});
    EXPECT_EQ(log(), "12/10/26 14:03:05 Native SMTP broadcast. Job name: June news. Broadcasting interrupted\r\n");
    stand_in.release("smtp");
    EXPECT_TRUE(stand_in.records().empty());
}

}
}

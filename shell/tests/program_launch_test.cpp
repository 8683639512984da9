#include "app_fixture.h"
#include "broadcast/http/http_broadcast_dlg.h"
#include "platform/clock/utc_clock.h"
#include "platform/inet/curl_internet.h"
#include "platform/testing/recording_mapi.h"
#include "shell/broadcasting/program_launch.h"
#include "shell/broadcasting/service_form_site.h"
#include "shell/documents/talverin_doc.h"
#include "shell/view/registration_reply.h"
#include "standin/fixture/quorbis_stand_in.h"
#include "standin/seed/seed.h"

#include <fstream>

namespace shell::testing {
namespace {

using platform::ui::testing::DialogDriver;

// A started program whose launch sends by HTTP(S) to a stand-in, opening a page it never saved.
struct broadcast_road : app_fixture {
    standin::QuorbisStandIn stand_in;
    platform::system_utc_clock utc;
    broadcast::system_time_zone zone;
    broadcast::contacts::file_address_books address_books {{"", ""}};
    std::unique_ptr<ProgramLaunch> launch;
    std::string page = test.root.path() + "/june.htm";

    broadcast_road()
    {
        std::ofstream(page) << "<html><body><p>June news</p></body></html>";
        install_message_document(context, [this] { return app->doc_manager(); });
        // The store points at the stand-in as scripts/run's does: "Default" sends over HTTPS.
        standin::seed_values values {stand_in.http_broadcast_url(), stand_in.http_broadcast_url_secure(),
            stand_in.ftp_server(), stand_in.validator_url(), stand_in.smtp_server(), "demo", "secret", ""};
        EXPECT_EQ(standin::seed_store(*test.services.registry, values, random), "");
        platform::inet::internet_options options;
        options.ca_file = stand_in.ca_file();
        host.set_ui_queue(&queue);
        launch = std::make_unique<ProgramLaunch>(ProgramLaunchServices {context, queue, *test.services.clock, utc,
            zone, dialup, platform::inet::make_curl_internet(options), address_books, nullptr, TALVERIN_PROGRAM});
    }
    ~broadcast_road() { host.set_ui_queue(nullptr); }
};

TEST(BroadcastRoad, ASentPageReachesTheServiceAndTheStartEndsDone)
{
    broadcast_road road;
    road.host.expect_dialog(265, [](DialogDriver& d) { d.click(8); });
    road.host.expect_dialog(195, [](DialogDriver& d) {
        d.type(1087, "June news");
        d.type(1021, "friend@example.org");
        d.click(1225);
    });
    road.host.expect_dialog(177, [&](DialogDriver& d) {
        auto& status = static_cast<broadcast::CBroadcastDlg&>(d.current());
        ASSERT_TRUE(d.wait_until([&] { return status.GetState() == 5 || status.GetState() == 6; }));
        EXPECT_EQ(status.GetState(), 5) << status.GetDlgItemText(1031);
        d.click(2);
    });
    auto outcome = road.start({road.page});
    EXPECT_EQ(outcome.kind, StartupOutcome::Kind::sent) << outcome.reason;
    EXPECT_EQ(road.context.sent_file, road.page);
    road.stand_in.wait_for(1);
    auto records = road.stand_in.records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].verdict(), "ok\n");
    auto command = records[0].file("package/command.txt");
    EXPECT_NE(command.find("subject June news\n"), std::string::npos) << command;
    EXPECT_NE(command.find("inet friend@example.org\n"), std::string::npos) << command;
}

// A cancelled settings dialog sends nothing and fails the open quietly, as a cancelled
// command does; before, the cancel escaped the start-up and ended the program.
TEST(BroadcastRoad, CancelledSettingsSendNothingAndLeaveTheOpenFailed)
{
    broadcast_road road;
    road.host.expect_dialog(265, [](DialogDriver& d) { d.click(8); });
    road.host.expect_dialog(195, [](DialogDriver& d) { d.cancel(); });
    StartupOutcome outcome;
    ASSERT_NO_THROW(outcome = road.start({road.page}));
    EXPECT_EQ(outcome.kind, StartupOutcome::Kind::refused);
    EXPECT_TRUE(road.stand_in.records().empty());
    EXPECT_TRUE(road.host.messages_shown.empty());
}

TEST(BroadcastRoad, TheLaunchTakesTheActiveConfigurationAndFreesTheDocumentWhenItGoes)
{
    broadcast_road road;
    road.context.current_config.SetName("Default");
    road.context.current_config.SetLogin("demo");
    road.context.current_config.SetPassword("secret");
    road.context.current_config.SetConnection(1);
    auto account = launch_account_of(road.context);
    EXPECT_EQ(account.name, "Default");
    EXPECT_EQ(account.transport, 3);
    EXPECT_EQ(account.connection, 1);
    EXPECT_EQ(account.login.login, "demo");
    EXPECT_EQ(account.login.password, "secret");
    EXPECT_TRUE(road.context.document_seams.make_job);
    EXPECT_EQ(road.context.document_seams.dispatcher, &road.launch->launch());
    road.launch.reset();
    EXPECT_FALSE(road.context.document_seams.make_job);
    EXPECT_EQ(road.context.document_seams.dispatcher, nullptr);
}

TEST(BroadcastRoad, AJobOfAMissingFileIsRefusedWithAWord)
{
    broadcast_road road;
    const auto gone = road.test.root.path() + "/gone.htm";
    road.host.expect_message("Cannot copy \"" + gone + "\" into the broadcast job",
        platform::ui::MB_OK | platform::ui::MB_ICONERROR, platform::ui::IDOK);
    EXPECT_FALSE(job_for_file(road.context, gone));
}

// The program's form site against the service: the validator post marks the page and its
// return code reads as a success; the registration conversation sends the page's text; a
// page that cannot be read is an error before anything is sent.
TEST(BroadcastRoad, TheProgramsFormSiteRegistersThePageWithTheService)
{
    broadcast_road road;
    road.context.defaults.gateway_host = "127.0.0.1:" + std::to_string(road.stand_in.port("http"));
    platform::inet::internet_options options;
    options.ca_file = road.stand_in.ca_file();
    ServiceFormSite site(road.context, platform::inet::make_curl_internet(options), road.random);
    const auto form_page = road.test.root.path() + "/form.htm";
    const std::string page_text = "<html><body><form action=\"a\"><input name=\"x\"></form></body></html>";
    std::ofstream(form_page) << page_text;

    const auto reply = site.post_to_validator(form_page);
    EXPECT_EQ(read_registration_reply(reply, road.host.strings()).code, 0) << reply;
    road.stand_in.script("validator", {{"form", "nodigits"}});
    const auto broken = site.post_to_validator(form_page);
    EXPECT_EQ(read_registration_reply(broken, road.host.strings()).code, std::nullopt) << broken;

    std::string message = "old";
    EXPECT_EQ(site.register_form_with_service(form_page, "demo", "secret", message), 2) << message;
    EXPECT_EQ(message, "");
    road.stand_in.wait_for(7);
    auto records = road.stand_in.records();
    ASSERT_EQ(records.size(), 7u);
    EXPECT_NE(records[0].file("body.bin").find("name=\"FormRegistrationWizard\""), std::string::npos);
    EXPECT_EQ(records[6].file("request.txt").rfind("POST /cgi-bin/form_validation", 0), 0u);
    EXPECT_EQ(records[6].file("body.bin"), "demo=" + page_text);

    EXPECT_THROW(site.register_form_with_service(road.test.root.path() + "/gone.htm", "demo", "secret", message),
        std::runtime_error);
    EXPECT_EQ(road.stand_in.records().size(), 7u);
}

// The Simple MAPI transport's sender: one message with its files, the mail system's failure
// passed on with its code.
TEST(LocalMailSender, SendsThroughTheMailSystemAndPassesItsFailuresOn)
{
    platform::testing::recording_mapi mail_system;
    auto sender = make_local_mail_sender(mail_system);
    EXPECT_TRUE(sender->loaded());
    sender->logon(7);
    sender->send({"June news", "submit@example.org", {"/tmp/a.txt", "/tmp/b.htm"}});
    sender->logoff();
    ASSERT_EQ(mail_system.sends.size(), 1u);
    EXPECT_EQ(mail_system.sends[0].message.subject, "June news");
    EXPECT_EQ(mail_system.sends[0].message.files.size(), 2u);
    EXPECT_EQ(mail_system.logoffs.size(), 1u);

    mail_system.logon_code = platform::mail::MAPI_E_LOGON_FAILURE;
    try {
        sender->logon(7);
        ADD_FAILURE() << "a refused logon goes on";
    } catch (const broadcast::mapi_error& error) {
        EXPECT_EQ(error.failure().code, platform::mail::MAPI_E_LOGON_FAILURE);
    }
}

}
}

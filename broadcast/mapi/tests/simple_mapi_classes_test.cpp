#include "broadcast/mapi/simple_mapi_classes.h"
#include "core/mail/local_mail.h"
#include "platform/mail/sendmail_transfer.h"
#include "platform/testing/file_contents.h"
#include "platform/testing/fixed_clock.h"
#include "platform/testing/maildir_outbox.h"
#include "platform/testing/recording_mapi.h"
#include "platform/testing/temporary_folder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace broadcast::mapi {
namespace {

namespace mail = platform::mail;
using platform::testing::write_file;

TEST(simple_mapi_classes, a_session_logs_on_with_its_window_and_flags)
{
    platform::testing::recording_mapi mapi;
    session logged_on(mapi, 42, 3, "profile", "secret");
    EXPECT_EQ(logged_on.handle(), 7u);
    EXPECT_EQ(logged_on.window(), 42u);
    ASSERT_EQ(mapi.logons.size(), 1u);
    EXPECT_EQ(mapi.logons[0].flags, 3u);
    EXPECT_EQ(mapi.logons[0].profile, "profile");

    mapi.logon_code = mail::MAPI_E_FAILURE;
    try {
        session refused(mapi, 42, 3, "", "");
        FAIL() << "no mapi_error";
    } catch (const mapi_error& error) {
        EXPECT_STREQ(error.what(), "session::session(): MAPILogon failed");
        EXPECT_EQ(core::mapi_failure_message_id(error.failure()), 3073u);
    }
}

TEST(simple_mapi_classes, a_message_resolves_attaches_and_sends)
{
    platform::testing::recording_mapi mapi;
    session logged_on(mapi, 42, 3, "", "");
    message outgoing(logged_on);
    outgoing.subject = "Job";
    outgoing.add_recipient("jobs@submit.example", "", mail::MAPI_TO);
    outgoing.add_recipient("cc@example.org", "Carbon", mail::MAPI_CC);
    outgoing.add_attachment("/pkg/command.txt", "", 0, 0);
    outgoing.add_attachment("C:\\pkg\\body.html", "", 0, 1);
    outgoing.add_attachment("/pkg/x", "named.bin", 2, 3);
    outgoing.send(1);

    ASSERT_EQ(mapi.resolves.size(), 2u);
    EXPECT_EQ(mapi.resolves[0].flags, mail::MAPI_DIALOG);
    EXPECT_EQ(mapi.freed.size(), 2u);
    ASSERT_EQ(mapi.sends.size(), 1u);
    const auto& sent = mapi.sends[0];
    EXPECT_EQ(sent.window, 42u);
    EXPECT_EQ(sent.message.flags, 1u);
    EXPECT_FALSE(sent.message.originator);
    ASSERT_EQ(sent.message.recipients.size(), 2u);
    EXPECT_EQ(sent.message.recipients[0],
        (mail::mapi_recipient {4, mail::MAPI_TO, "resolved jobs@submit.example", "SMTP:jobs@submit.example", {1, 2, 3}}));
    EXPECT_EQ(sent.message.recipients[1].name, "Carbon");
    ASSERT_EQ(sent.message.files.size(), 3u);
    EXPECT_EQ(sent.message.files[0].file_name, "command.txt");
    EXPECT_EQ(sent.message.files[1].file_name, "body.html");
    EXPECT_EQ(sent.message.files[2], (mail::mapi_file {0, 2, 3, "/pkg/x", "named.bin"}));

    outgoing.send(1, 9);
    EXPECT_EQ(mapi.sends[1].window, 9u);
}

TEST(simple_mapi_classes, failed_calls_carry_their_entry_point_and_code)
{
    platform::testing::recording_mapi mapi;
    session logged_on(mapi, 0, 3, "", "");
    message outgoing(logged_on);
    mapi.resolve_code = 14;
    try {
        outgoing.add_recipient("nobody", "", mail::MAPI_TO);
        FAIL() << "no mapi_error";
    } catch (const mapi_error& error) {
        EXPECT_EQ(error.failure().entry, mail::mapi_entry::MAPIResolveName);
        EXPECT_EQ(core::mapi_failure_message_id(error.failure()), 3079u);
    }
    mapi.send_code = 11;
    try {
        outgoing.send(1);
        FAIL() << "no mapi_error";
    } catch (const mapi_error& error) {
        EXPECT_STREQ(error.what(), "message::send(): MAPISendMail failed");
        EXPECT_EQ(core::mapi_failure_message_id(error.failure()), 3082u);
    }
}

struct sender_fixture : ::testing::Test {
    platform::testing::temporary_folder folder;
    platform::testing::fixed_clock clock;

    std::vector<std::string> package()
    {
        write_file(folder.file("package/command.txt"), "user someone\n");
        write_file(folder.file("package/body.html"), "<p>hi</p>\n");
        return {folder.file("package/command.txt"), folder.file("package/body.html")};
    }
    std::string recorder(const std::string& tail)
    {
        const std::string path = folder.file("sendmail");
        write_file(path, "#!/bin/sh\ncat > /dev/null\n" + tail + "\n");
        ::chmod(path.c_str(), 0755);
        return path;
    }
};

TEST_F(sender_fixture, sends_the_package_through_the_local_mail_system_and_logs_off)
{
    platform::testing::maildir_outbox outbox(folder.file("outbox"));
    core::local_mail system(outbox, clock);
    ASSERT_TRUE(system.load_simple_mapi());
    {
        mapi_mail_sender sender(system);
        sender.logon(5);
        sender.send("Job 1", "jobs@submit.example", package());
        sender.logoff();
    }
    auto messages = outbox.messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("To: <jobs@submit.example>\n"), std::string::npos);
    EXPECT_NE(messages[0].find("Subject: Job 1\n"), std::string::npos);
    EXPECT_LT(messages[0].find("filename=\"command.txt\""), messages[0].find("filename=\"body.html\""));
}

TEST_F(sender_fixture, failures_of_the_mail_system_become_the_users_messages)
{
    struct row {
        const char* tail;
        std::uint32_t time_limit_ms;
        unsigned message_id;
    };
    const row rows[] = {
        {"exit 65", 60000, 3079},
        {"exit 75", 60000, 3085},
        {"exec tail -f /dev/null", 200, 3085},
    };
    for (const auto& each : rows) {
        SCOPED_TRACE(each.tail);
        mail::sendmail_transfer transfer({recorder(each.tail), {}, folder.path(), each.time_limit_ms});
        core::local_mail system(transfer, clock);
        ASSERT_TRUE(system.load_simple_mapi());
        mapi_mail_sender sender(system);
        sender.logon(0);
        try {
            sender.send("Job", "jobs@submit.example", package());
            FAIL() << "no mapi_error";
        } catch (const mapi_error& error) {
            EXPECT_EQ(core::mapi_failure_message_id(error.failure()), each.message_id);
        }
    }
}

TEST_F(sender_fixture, an_unbound_mail_system_refuses_the_logon)
{
    platform::testing::maildir_outbox outbox(folder.file("outbox"));
    outbox.set_available(false);
    core::local_mail system(outbox, clock);
    EXPECT_FALSE(system.load_simple_mapi());
    mapi_mail_sender sender(system);
    try {
        sender.logon(0);
        FAIL() << "no mapi_error";
    } catch (const mapi_error& error) {
        EXPECT_EQ(core::mapi_failure_message_id(error.failure()), 3073u);
    }
}

TEST(simple_mapi_installed, needs_an_executable_sendmail)
{
    platform::testing::temporary_folder folder;
    write_file(folder.file("sendmail"), "#!/bin/sh\n");
    mail::sendmail_setup setup;
    setup.search = {folder.file("sendmail")};
    EXPECT_FALSE(simple_mapi_installed(setup));
    ::chmod(folder.file("sendmail").c_str(), 0755);
    EXPECT_TRUE(simple_mapi_installed(setup));
    setup.named_program = folder.file("elsewhere");
    EXPECT_FALSE(simple_mapi_installed(setup));
}

}
}

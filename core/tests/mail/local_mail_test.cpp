#include "core/mail/local_mail.h"
#include "platform/mail/sendmail_transfer.h"
#include "platform/testing/file_contents.h"
#include "platform/testing/fixed_clock.h"
#include "platform/testing/maildir_outbox.h"
#include "platform/testing/temporary_folder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <thread>

namespace core {
namespace {

namespace mail = platform::mail;
using platform::testing::read_file;
using platform::testing::write_file;

struct local_mail_fixture : ::testing::Test {
    platform::testing::temporary_folder folder;
    platform::testing::fixed_clock clock;

    mail::session_handle logon(local_mail& system)
    {
        mail::session_handle session = 0;
        EXPECT_EQ(system.logon(0, "", "", 3, 0, session), mail::SUCCESS_SUCCESS);
        return session;
    }
    mail::mapi_message job_message()
    {
        write_file(folder.file("package/command.txt"), "user someone\n");
        mail::mapi_message message;
        message.subject = "Job";
        message.recipients.push_back({0, mail::MAPI_TO, "jobs@submit.example", "jobs@submit.example", {}});
        message.files.push_back({0, 0, 0, folder.file("package/command.txt"), ""});
        return message;
    }
    // A sendmail stand-in that keeps its arguments and input, then runs the given tail.
    std::string recorder(const std::string& tail)
    {
        const std::string path = folder.file("sendmail");
        write_file(path, "#!/bin/sh\nprintf '%s\\n' \"$0\" \"$@\" > '" + folder.file("arguments") + "'\ncat > '"
                + folder.file("input") + "'\n" + tail + "\n");
        ::chmod(path.c_str(), 0755);
        return path;
    }
};

TEST_F(local_mail_fixture, binds_only_with_an_available_transfer_offering_every_entry_point)
{
    platform::testing::maildir_outbox outbox(folder.file("outbox"));
    local_mail system(outbox, clock);
    EXPECT_TRUE(system.load_simple_mapi());
    EXPECT_TRUE(system.is_simple_mapi_loaded());
    system.unload_simple_mapi();
    EXPECT_FALSE(system.is_simple_mapi_loaded());
    mail::session_handle session = 0;
    EXPECT_EQ(system.logon(0, "", "", 3, 0, session), mail::MAPI_E_FAILURE);

    outbox.set_missing(mail::mapi_entry::MAPIResolveName);
    EXPECT_FALSE(system.load_simple_mapi());
    platform::testing::maildir_outbox closed(folder.file("closed"));
    closed.set_available(false);
    local_mail without(closed, clock);
    EXPECT_FALSE(without.load_simple_mapi());
}

TEST_F(local_mail_fixture, resolves_plain_addresses_only)
{
    platform::testing::maildir_outbox outbox(folder.file("outbox"));
    local_mail system(outbox, clock);
    ASSERT_TRUE(system.load_simple_mapi());
    auto session = logon(system);
    struct row {
        const char* name;
        std::uint32_t code;
    };
    const row rows[] = {
        {"  jobs@submit.example ", mail::SUCCESS_SUCCESS},
        {"", mail::MAPI_E_UNKNOWN_RECIPIENT},
        {"nobody", mail::MAPI_E_UNKNOWN_RECIPIENT},
        {"a@b\r\nBcc: c@d", mail::MAPI_E_UNKNOWN_RECIPIENT},
        {"a@b\n", mail::MAPI_E_UNKNOWN_RECIPIENT},
        {"<a@b>", mail::MAPI_E_UNKNOWN_RECIPIENT},
        {"-f@b", mail::MAPI_E_UNKNOWN_RECIPIENT},
    };
    for (const auto& each : rows) {
        mail::mapi_recipient* resolved = nullptr;
        EXPECT_EQ(system.resolve_name(session, 0, each.name, mail::MAPI_DIALOG, 0, resolved), each.code) << each.name;
        if (each.code == mail::SUCCESS_SUCCESS) {
            ASSERT_NE(resolved, nullptr);
            EXPECT_EQ(resolved->address, "jobs@submit.example");
            EXPECT_EQ(resolved->name, "jobs@submit.example");
            EXPECT_EQ(system.free_buffer(resolved), mail::SUCCESS_SUCCESS);
            EXPECT_EQ(system.free_buffer(resolved), mail::MAPI_E_FAILURE);
        }
    }
    mail::mapi_recipient* resolved = nullptr;
    EXPECT_EQ(system.resolve_name(session + 1, 0, "a@b", 0, 0, resolved), mail::MAPI_E_INVALID_SESSION);
    EXPECT_EQ(system.logoff(session, 0, 0, 0), mail::SUCCESS_SUCCESS);
    EXPECT_EQ(system.logoff(session, 0, 0, 0), mail::MAPI_E_INVALID_SESSION);
}

TEST_F(local_mail_fixture, puts_the_composed_message_into_the_outbox)
{
    platform::testing::maildir_outbox outbox(folder.file("outbox"));
    local_mail system(outbox, clock);
    ASSERT_TRUE(system.load_simple_mapi());
    auto session = logon(system);
    EXPECT_EQ(system.send_mail(session, 0, job_message(), 0, 0), mail::SUCCESS_SUCCESS);
    auto messages = outbox.messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].rfind("Date: Thu, 10 Dec 2026 14:03:05 +0000\nTo: <jobs@submit.example>\n", 0), 0u);
    EXPECT_NE(messages[0].find("filename=\"command.txt\"\n\ndXNlciBzb21lb25lCg==\n"), std::string::npos);
}

TEST_F(local_mail_fixture, missing_or_unreadable_attachments_send_nothing)
{
    platform::testing::maildir_outbox outbox(folder.file("outbox"));
    local_mail system(outbox, clock);
    ASSERT_TRUE(system.load_simple_mapi());
    auto session = logon(system);
    auto missing = job_message();
    missing.files.push_back({0, 0, 0, folder.file("package/gone.html"), ""});
    EXPECT_EQ(system.send_mail(session, 0, missing, 0, 0), mail::MAPI_E_ATTACHMENT_NOT_FOUND);
    auto folder_as_file = job_message();
    folder_as_file.files.push_back({0, 0, 0, folder.file("package"), ""});
    EXPECT_EQ(system.send_mail(session, 0, folder_as_file, 0, 0), mail::MAPI_E_ATTACHMENT_OPEN_FAILURE);
    EXPECT_EQ(outbox.calls(), 0u);
}

TEST_F(local_mail_fixture, hands_the_outbox_bytes_to_sendmail_with_t_and_i)
{
    platform::testing::maildir_outbox outbox(folder.file("outbox"));
    local_mail reference(outbox, clock);
    ASSERT_TRUE(reference.load_simple_mapi());
    ASSERT_EQ(reference.send_mail(logon(reference), 0, job_message(), 0, 0), mail::SUCCESS_SUCCESS);

    const std::string program = recorder("exit 0");
    mail::sendmail_transfer transfer({program, {}, folder.path(), 60000});
    local_mail system(transfer, clock);
    ASSERT_TRUE(system.load_simple_mapi());
    EXPECT_EQ(system.send_mail(logon(system), 0, job_message(), 0, 0), mail::SUCCESS_SUCCESS);
    EXPECT_EQ(read_file(folder.file("arguments")), program + "\n-t\n-i\n");
    EXPECT_EQ(read_file(folder.file("input")), outbox.messages().at(0));
}

TEST_F(local_mail_fixture, maps_how_sendmail_ended)
{
    struct row {
        const char* tail;
        std::uint32_t code;
        std::uint32_t time_limit_ms;
    };
    // The hang is ended at a lowered limit; the others run to their end.
    const row rows[] = {
        {"exit 65", mail::MAPI_E_UNKNOWN_RECIPIENT, 60000},
        {"exit 67", mail::MAPI_E_UNKNOWN_RECIPIENT, 60000},
        {"exit 75", mail::MAPI_E_FAILURE, 60000},
        {"kill -9 $$", mail::MAPI_E_FAILURE, 60000},
        {"exec tail -f /dev/null", mail::MAPI_E_FAILURE, 200},
    };
    for (const auto& each : rows) {
        SCOPED_TRACE(each.tail);
        mail::sendmail_transfer transfer({recorder(each.tail), {}, folder.path(), each.time_limit_ms});
        local_mail system(transfer, clock);
        ASSERT_TRUE(system.load_simple_mapi());
        EXPECT_EQ(system.send_mail(logon(system), 0, job_message(), 0, 0), each.code);
    }
}

TEST_F(local_mail_fixture, sessions_and_sends_from_several_threads_at_once)
{
    platform::testing::maildir_outbox outbox(folder.file("outbox"));
    local_mail system(outbox, clock);
    ASSERT_TRUE(system.load_simple_mapi());
    const auto message = job_message();
    std::vector<std::thread> senders;
    for (int t = 0; t < 4; ++t) {
        senders.emplace_back([&] {
            for (int i = 0; i < 5; ++i) {
                mail::session_handle session = 0;
                mail::mapi_recipient* resolved = nullptr;
                EXPECT_EQ(system.logon(0, "", "", 3, 0, session), mail::SUCCESS_SUCCESS);
                EXPECT_EQ(system.resolve_name(session, 0, "a@b", 0, 0, resolved), mail::SUCCESS_SUCCESS);
                EXPECT_EQ(system.free_buffer(resolved), mail::SUCCESS_SUCCESS);
                EXPECT_EQ(system.send_mail(session, 0, message, 0, 0), mail::SUCCESS_SUCCESS);
                EXPECT_EQ(system.logoff(session, 0, 0, 0), mail::SUCCESS_SUCCESS);
            }
        });
    }
    for (auto& each : senders)
        each.join();
    EXPECT_EQ(outbox.messages().size(), 20u);
}

TEST_F(local_mail_fixture, finds_the_sendmail_program)
{
    const std::string program = recorder("exit 0");
    write_file(folder.file("plain"), "not a program");
    ::mkdir(folder.file("dir").c_str(), 0755);
    struct row {
        std::optional<std::string> named;
        std::vector<std::string> search;
        std::optional<std::string> found;
    };
    const row rows[] = {
        {program, {}, program},
        {"sendmail", {program}, std::nullopt},
        {folder.file("plain"), {program}, std::nullopt},
        {std::nullopt, {folder.file("missing"), folder.file("plain"), folder.file("dir"), program}, program},
        {std::nullopt, {folder.file("missing")}, std::nullopt},
    };
    for (const auto& each : rows) {
        mail::sendmail_setup setup;
        setup.named_program = each.named;
        setup.search = each.search;
        EXPECT_EQ(mail::find_sendmail(setup), each.found);
        EXPECT_EQ(mail::sendmail_transfer(setup).available(), each.found.has_value());
    }
}

}
}

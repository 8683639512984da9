#include "broadcast/smtp/mail_thread.h"
#include "broadcast/smtp/smtp_settings.h"
#include "platform/net/tcp_socket.h"
#include "platform/prompts/message_box.h"
#include "platform/strings/string_table.h"
#include "platform/testing/file_contents.h"
#include "platform/testing/loopback_peer.h"
#include "platform/testing/scripted_prompt.h"
#include "platform/testing/temporary_folder.h"
#include "platform/threads/thread_queue.h"

#include <gtest/gtest.h>

#include <thread>

namespace broadcast::smtp {
namespace {

using peer = platform::testing::loopback_peer;
namespace prompts = platform::prompts;

class named_host final : public platform::net::host_names {
public:
    explicit named_host(std::string name) : name_(std::move(name)) { }
    std::string local_host_name() const override { return name_; }

private:
    std::string name_;
};

const std::string message = "Subject: job\r\n\r\nQUJD\r\n.hidden\r\n";
// The client's bytes from HELO to the end marker, with the body's leading "." doubled.
const std::string client_bytes = "HELO client.example\r\n"
                                 "MAIL FROM:<>\r\n"
                                 "RCPT TO:<jobs@submit.example>\r\n"
                                 "DATA\r\n"
                                 "Subject: job\r\n\r\nQUJD\r\n..hidden\r\n"
                                 "\r\n.\r\n";

struct smtp_fixture : ::testing::Test {
    platform::strings::string_table strings = platform::strings::string_table::load(TALVERIN_STRINGS);
    platform::testing::scripted_prompt prompt;
    named_host names {"client.example"};
    platform::testing::temporary_folder folder;
    // Generous: only the silence tests ever reach the question.
    smtp_context context {prompt, strings, names, 20000, std::chrono::milliseconds(1)};

    smtp_mail mail_to(std::uint16_t port, const std::string& body = message)
    {
        platform::testing::write_file(folder.file("message.eml"), body);
        return {"127.0.0.1:" + std::to_string(port), "", "jobs@submit.example", folder.file("message.eml")};
    }
    void expect_box(unsigned id, unsigned type, int answer) { prompt.expect(strings.text(id), type, answer); }
};

// The whole dialogue up to the end marker's reply.
std::vector<peer::step> accepted_script(const std::string& greeting = "220 ready\r\n")
{
    return {peer::send(greeting), peer::expect("HELO client.example\r\n"), peer::send("250 hello\r\n"),
        peer::expect("MAIL FROM:<>\r\n"), peer::send("250 ok\r\n"), peer::expect("RCPT TO:<jobs@submit.example>\r\n"),
        peer::send("250 ok\r\n"), peer::expect("DATA\r\n"), peer::send("354 go on\r\n"),
        peer::expect("Subject: job\r\n\r\nQUJD\r\n..hidden\r\n\r\n.\r\n"), peer::send("250 queued\r\n")};
}

TEST_F(smtp_fixture, sends_the_exact_dialogue_and_succeeds_on_221)
{
    auto script = accepted_script();
    script.push_back(peer::expect("QUIT\r\n"));
    script.push_back(peer::send("221 bye\r\n"));
    peer server(script);
    EXPECT_EQ(SendViaSMTP(context, mail_to(server.port())), 1);
    EXPECT_EQ(server.received(), client_bytes + "QUIT\r\n");
}

TEST_F(smtp_fixture, an_accepted_message_counts_as_sent_whatever_quit_gets)
{
    // The last one is silent: after the wait the client gives up without asking.
    context.wait_timeout = 500;
    const std::vector<std::vector<peer::step>> endings = {
        {peer::expect("QUIT\r\n"), peer::close()},
        {peer::expect("QUIT\r\n"), peer::send("500 what\r\n")},
        {peer::close()},
        {peer::expect("QUIT\r\n")},
    };
    for (const auto& ending : endings) {
        auto script = accepted_script();
        script.insert(script.end(), ending.begin(), ending.end());
        peer server(script);
        EXPECT_EQ(SendViaSMTP(context, mail_to(server.port())), 1);
        EXPECT_EQ(server.received().substr(0, client_bytes.size()), client_bytes);
    }
}

TEST_F(smtp_fixture, multi_line_replies_are_read_to_their_last_line)
{
    auto script = accepted_script("220-filter.example ESMTP\r\n220-no spam please\r\n220 ready\r\n");
    script[2] = peer::send("250-hello\r\n250-SIZE 1000000\r\n250 8BITMIME\r\n");
    script.push_back(peer::expect("QUIT\r\n"));
    script.push_back(peer::send("221 bye\r\n"));
    peer server(script);
    EXPECT_EQ(SendViaSMTP(context, mail_to(server.port())), 1);
    EXPECT_EQ(server.received(), client_bytes + "QUIT\r\n");
}

TEST_F(smtp_fixture, a_slow_reader_with_a_small_buffer_gets_the_same_bytes)
{
    std::string big = "Subject: big\r\n\r\n";
    for (int i = 0; i < 20000; ++i)
        big += "QUJDREVGR0hJSktMTU5PUFFSU1RVVldYWVo=\r\n";
    std::vector<peer::step> script = {peer::send("220 ready\r\n"), peer::expect("HELO client.example\r\n"),
        peer::send("250 hello\r\n"), peer::expect("MAIL FROM:<>\r\n"), peer::send("250 ok\r\n"),
        peer::expect("RCPT TO:<jobs@submit.example>\r\n"), peer::send("250 ok\r\n"), peer::expect("DATA\r\n"),
        peer::send("354 go on\r\n"), peer::expect(big + "\r\n.\r\n"), peer::send("250 queued\r\n"),
        peer::expect("QUIT\r\n"), peer::send("221 bye\r\n")};
    peer server(script, true);
    EXPECT_EQ(SendViaSMTP(context, mail_to(server.port(), big)), 1);
    std::string received = server.received();
    ASSERT_GT(received.size(), big.size());
    EXPECT_NE(received.find("DATA\r\n" + big + "\r\n.\r\nQUIT\r\n"), std::string::npos);
}

TEST_F(smtp_fixture, wrong_or_broken_replies_fail_with_1147)
{
    struct failure_case {
        const char* name;
        std::vector<peer::step> script;
        std::string sent;
    };
    const std::string long_line = "220 " + std::string(3000, 'x') + "\r\n";
    std::string endless = "220-";
    for (int i = 0; i < 150; ++i)
        endless += "220-more\r\n";
    const std::vector<failure_case> cases = {
        {"550 to MAIL FROM", {peer::send("220 ready\r\n"), peer::expect("HELO client.example\r\n"),
             peer::send("250 hello\r\n"), peer::expect("MAIL FROM:<>\r\n"), peer::send("550 no\r\n")},
            "HELO client.example\r\nMAIL FROM:<>\r\n"},
        {"3000-byte greeting", {peer::send(long_line)}, ""},
        {"endless greeting", {peer::send(endless)}, ""},
        {"no code", {peer::send("hello\r\n")}, ""},
        {"dropped before the end marker's reply", {peer::send("220 ready\r\n"),
             peer::expect("HELO client.example\r\n"), peer::send("250 hello\r\n"), peer::expect("MAIL FROM:<>\r\n"),
             peer::send("250 ok\r\n"), peer::expect("RCPT TO:<jobs@submit.example>\r\n"), peer::send("250 ok\r\n"),
             peer::expect("DATA\r\n"), peer::send("354 go on\r\n"),
             peer::expect("Subject: job\r\n\r\nQUJD\r\n..hidden\r\n\r\n.\r\n"), peer::close()},
            client_bytes},
    };
    for (const auto& each : cases) {
        SCOPED_TRACE(each.name);
        expect_box(smtp_no_response, prompts::MB_OK | prompts::MB_ICONERROR, prompts::IDOK);
        peer server(each.script);
        EXPECT_EQ(SendViaSMTP(context, mail_to(server.port())), 0);
        EXPECT_EQ(server.received(), each.sent);
        EXPECT_EQ(prompt.pending(), 0u);
    }
}

TEST_F(smtp_fixture, an_unreachable_server_fails_with_1146_without_a_dialogue)
{
    for (std::string server : {"127.0.0.1:" + std::to_string(peer::refused_port()), std::string("no.such.host.invalid"),
             std::string("127.0.0.1:70000"), std::string("")}) {
        SCOPED_TRACE(server);
        expect_box(smtp_server_not_found, prompts::MB_OK | prompts::MB_ICONERROR, prompts::IDOK);
        auto mail = mail_to(0);
        mail.server = server;
        EXPECT_EQ(SendViaSMTP(context, mail), 0);
        EXPECT_EQ(prompt.pending(), 0u);
    }
}

TEST_F(smtp_fixture, silence_asks_after_the_wait_and_retry_waits_again)
{
    context.wait_timeout = 500;
    const int question = prompts::MB_RETRYCANCEL | prompts::MB_ICONEXCLAMATION;
    expect_box(smtp_time_out_question, question, prompts::IDRETRY);
    expect_box(smtp_time_out_question, question, prompts::IDCANCEL);
    expect_box(smtp_no_response, prompts::MB_OK | prompts::MB_ICONERROR, prompts::IDOK);
    peer server({peer::send("220 ready\r\n"), peer::expect("HELO client.example\r\n")});
    EXPECT_EQ(SendViaSMTP(context, mail_to(server.port())), 0);
    EXPECT_EQ(server.received(), "HELO client.example\r\n");
}

TEST_F(smtp_fixture, a_quit_during_the_data_sends_no_end_marker)
{
    // The reader stalls once the data began: the client's sends fill the buffers and wait.
    std::string big(32 * 1024 * 1024, 'A');
    peer server({peer::send("220 ready\r\n"), peer::expect("HELO client.example\r\n"), peer::send("250 hello\r\n"),
        peer::expect("MAIL FROM:<>\r\n"), peer::send("250 ok\r\n"), peer::expect("RCPT TO:<jobs@submit.example>\r\n"),
        peer::send("250 ok\r\n"), peer::expect("DATA\r\n"), peer::send("354 go on\r\n"), peer::expect("AAAA"),
        peer::stall()});
    auto mail = mail_to(server.port(), big);
    std::atomic<platform::threads::thread_id> worker {0};
    int result = 0;
    std::thread sender([&] {
        worker = platform::threads::current_thread_id();
        result = SendViaSMTP(context, mail);
    });
    ASSERT_TRUE(server.wait_received("DATA\r\nAAAA"));
    platform::threads::post_thread_message(worker, platform::threads::WM_QUIT, 0, 0);
    sender.join();
    EXPECT_EQ(result, -1);
    // The stalled reader now takes what was sent.
    std::string received = server.received();
    EXPECT_EQ(received.find("\r\n.\r\n"), std::string::npos);
    EXPECT_LT(received.size(), big.size());
}

TEST_F(smtp_fixture, unusable_destinations_and_missing_files_fail_before_connecting)
{
    for (std::string to : std::vector<std::string> {"", "a@b\r\nRCPT TO:<x@y>", "a@b\n", "<a@b>", std::string("a\0b", 3)}) {
        auto mail = mail_to(1);
        mail.to = to;
        EXPECT_FALSE(usable_destination_address(to));
        EXPECT_EQ(SendViaSMTP(context, mail), 0);
    }
    EXPECT_TRUE(usable_destination_address("jobs@submit.example"));
    auto vanished = mail_to(1);
    vanished.message_file = folder.file("gone.eml");
    EXPECT_EQ(SendViaSMTP(context, vanished), 0);
}

TEST(smtp_server_setting, parses_host_and_port)
{
    struct row {
        const char* setting;
        bool usable;
        const char* host;
        std::uint16_t port;
    };
    const row rows[] = {
        {"mail.example", true, "mail.example", 25},
        {"mail.example:2525", true, "mail.example", 2525},
        {"[::1]:2525", true, "::1", 2525},
        {"[::1]", true, "::1", 25},
        {"127.0.0.1:65535", true, "127.0.0.1", 65535},
        {"", false, "", 0},
        {"mail.example:", false, "", 0},
        {"mail.example:0", false, "", 0},
        {"mail.example:70000", false, "", 0},
        {"mail.example:25x", false, "", 0},
        {":25", false, "", 0},
        {"mail example", false, "", 0},
        {"mail.example\r\n", false, "", 0},
        {"[::1", false, "", 0},
        {"[::1]x", false, "", 0},
    };
    for (const auto& each : rows) {
        SCOPED_TRACE(each.setting);
        auto server = parse_smtp_server(each.setting);
        ASSERT_EQ(server.has_value(), each.usable);
        if (server) {
            EXPECT_EQ(server->host, each.host);
            EXPECT_EQ(server->port, each.port);
        }
    }
}

}
}

#include "standin/fixture/quorbis_stand_in.h"
#include "standin/tests/package_maker.h"
#include "standin/tests/wire_client.h"

#include <algorithm>
#include <atomic>
#include <curl/curl.h>
#include <gtest/gtest.h>
#include <thread>

using namespace standin::testing;

namespace {

const std::string& valid_archive()
{
    static const std::string archive = make_archive({command_file(true, "demo", "secret"), message_files(), {}, {}, false});
    return archive;
}

std::string gateway_bytes()
{
    auto body = gateway_body(valid_archive(), "demo", "secret");
    return "POST /cgi-bin/submit HTTP/1.0\r\nContent-Type: application/x-www-form-urlencoded\r\n"
           "User-Agent: Quorbis Veltrane Wizard 3.4\r\nContent-Length: " + std::to_string(body.size())
        + "\r\n\r\n" + body;
}

std::string reply_body(const std::string& reply)
{
    auto end = reply.find("\r\n\r\n");
    return end == std::string::npos ? "" : reply.substr(end + 4);
}

}

TEST(Replies, TheGatewayPlaysEachScriptedReplyKind)
{
    struct row {
        std::string label;
        standin::reply_fields fields;
        long status;
        std::string body; // empty: only the status is checked
    } rows[] = {
        {"a job number", {{"job", "4711"}}, 200,
            "<HTTP_REPLY><STATUS_NUMBER>0</STATUS_NUMBER><JOB_NUMBER>4711</JOB_NUMBER></HTTP_REPLY>"},
        {"a status and description", {{"status", "3"}, {"description", "Account <locked>"}}, 200,
            "<HTTP_REPLY><STATUS_NUMBER>3</STATUS_NUMBER><STATUS_DESCRIPTION>Account &lt;locked&gt;"
            "</STATUS_DESCRIPTION></HTTP_REPLY>"},
        {"lower-case names", {{"lower", "1"}, {"job", "12"}}, 200,
            "<http_reply><status_number>0</status_number><job_number>12</job_number></http_reply>"},
        {"no HTTP_REPLY", {{"missing", "reply"}, {"job", "5"}}, 200,
            "<STATUS_NUMBER>0</STATUS_NUMBER><JOB_NUMBER>5</JOB_NUMBER>"},
        {"no STATUS_NUMBER", {{"missing", "status"}, {"job", "5"}}, 200, "<HTTP_REPLY><JOB_NUMBER>5</JOB_NUMBER></HTTP_REPLY>"},
        {"an empty JOB_NUMBER", {{"missing", "job"}}, 200,
            "<HTTP_REPLY><STATUS_NUMBER>0</STATUS_NUMBER><JOB_NUMBER></JOB_NUMBER></HTTP_REPLY>"},
        {"cut XML", {{"job", "7"}, {"cut", "20"}}, 200, "<HTTP_REPLY><STATUS_"},
        {"404", {{"http", "404"}}, 404, ""},
        {"500", {{"http", "500"}}, 500, ""},
        {"503", {{"http", "503"}}, 503, ""},
    };
    standin::QuorbisStandIn stand_in;
    for (const auto& r : rows)
        stand_in.script("gateway", r.fields);
    auto request = gateway_request(stand_in.http_broadcast_url(), gateway_body(valid_archive(), "demo", "secret"));
    for (const auto& r : rows) {
        auto reply = http_send(request);
        EXPECT_EQ(reply.status, r.status) << r.label;
        if (!r.body.empty())
            EXPECT_EQ(reply.body, r.body) << r.label;
    }
    // The queue is empty again: the default reply, with the first job number.
    EXPECT_EQ(http_send(request).body,
        "<HTTP_REPLY><STATUS_NUMBER>0</STATUS_NUMBER><JOB_NUMBER>1001</JOB_NUMBER></HTTP_REPLY>");
}

TEST(Replies, DropsCutAfterTheStatedBytesByFinOrReset)
{
    standin::QuorbisStandIn stand_in;
    stand_in.script("gateway", {{"fault", "drop"}, {"after", "10"}});
    stand_in.script("gateway", {{"fault", "drop"}, {"how", "rst"}});
    stand_in.script("gateway", {{"fault", "garbage"}});
    stand_in.script("gateway", {{"fault", "throttle"}, {"rate", "2000"}, {"job", "9"}});

    plain_connection fin(stand_in.port("http"));
    fin.send(gateway_bytes());
    EXPECT_EQ(fin.read_all(), "HTTP/1.1 2");
    EXPECT_TRUE(fin.closed());
    EXPECT_FALSE(fin.reset());

    plain_connection rst(stand_in.port("http"));
    rst.send(gateway_bytes());
    EXPECT_EQ(rst.read_all(), "");
    EXPECT_TRUE(rst.reset());

    plain_connection garbage(stand_in.port("http"));
    garbage.send(gateway_bytes());
    EXPECT_EQ(garbage.read_all().substr(0, 11), std::string("\x00\xff\xfe garbage", 11));

    plain_connection slow(stand_in.port("http"));
    slow.send(gateway_bytes());
    EXPECT_EQ(reply_body(slow.read_all()),
        "<HTTP_REPLY><STATUS_NUMBER>0</STATUS_NUMBER><JOB_NUMBER>9</JOB_NUMBER></HTTP_REPLY>");
}

TEST(Replies, HoldAndSilenceLastUntilRelease)
{
    standin::QuorbisStandIn stand_in;
    auto request = gateway_request(stand_in.http_broadcast_url(), gateway_body(valid_archive(), "demo", "secret"));
    for (bool scripted : {false, true}) {
        if (scripted)
            stand_in.script("gateway", {{"fault", "silence"}});
        else
            stand_in.hold("gateway");
        std::atomic<bool> answered {false};
        http_result reply;
        std::thread client([&] {
            reply = http_send(request);
            answered = true;
        });
        stand_in.wait_event("held gateway reply");
        EXPECT_FALSE(answered);
        stand_in.release("gateway");
        client.join();
        EXPECT_EQ(reply.status, 200) << scripted;
    }

    stand_in.hold("ftp");
    plain_connection ftp(stand_in.port("ftp"));
    stand_in.wait_event("held ftp greeting");
    stand_in.release("ftp");
    EXPECT_EQ(ftp.read_line().substr(0, 4), "220 ");

    stand_in.script("smtp", {{"fault", "silence"}});
    plain_connection smtp(stand_in.port("smtp"));
    stand_in.wait_event("held smtp greeting");
    stand_in.release("smtp");
    EXPECT_EQ(smtp.read_line().substr(0, 4), "220 ");

    stand_in.hold("https");
    plain_connection tls(stand_in.port("https"));
    stand_in.wait_event("held https handshake");
    stand_in.release("https");
}

TEST(Replies, FtpPlaysScriptedFinalReplies)
{
    standin::QuorbisStandIn stand_in;
    stand_in.script("ftp", {{"reply", "226 Transfer complete."}});
    stand_in.script("ftp", {{"reply", "451 Local error in processing."}});
    stand_in.script("ftp", {{"fault", "close"}});
    auto archive = make_archive({command_file(false, "demo", "secret"), message_files(), {}, {}, false});
    auto upload = [&] { return ftp_upload(stand_in.port("ftp"), "demo", "secret", "job.tar.gz", archive); };

    auto without_job = upload();
    EXPECT_EQ(without_job.curl_code, CURLE_OK);
    EXPECT_EQ(without_job.last_reply(), "226 Transfer complete.");
    auto local_error = upload();
    EXPECT_NE(local_error.curl_code, CURLE_OK);
    EXPECT_EQ(local_error.last_reply(), "451 Local error in processing.");
    auto closed = upload();
    EXPECT_NE(closed.curl_code, CURLE_OK);
    // No final reply came: the last one is the preliminary reply to STOR.
    EXPECT_EQ(closed.last_reply().substr(0, 1), "1");
    stand_in.wait_for(3);
    EXPECT_EQ(stand_in.records()[2].file("reply.bin"), "");

    auto fetched = ftp_fetch(stand_in.port("ftp"), "demo", "secret", "hello.txt");
    EXPECT_EQ(fetched.curl_code, CURLE_OK);
    EXPECT_EQ(fetched.data, "A small file to fetch.\r\n");

    stand_in.script("ftp", {{"cut", "100"}});
    auto cut = upload();
    EXPECT_NE(cut.curl_code, CURLE_OK);
    EXPECT_EQ(cut.last_reply(), "426 Data connection cut after 100 bytes.");
}

TEST(Replies, SmtpPlaysScriptedRepliesAndDrops)
{
    standin::QuorbisStandIn stand_in;
    named_files files {{"command.txt", command_file(true, "demo", "secret")}};
    for (const auto& file : message_files())
        files.push_back(file);
    auto mail = mail_message(files, "submit@standin.test");
    auto send = [&] { return smtp_send(stand_in.port("smtp"), "", "submit@standin.test", mail); };

    stand_in.script("smtp", {{"mail", "550 Sender refused"}});
    auto refused = send();
    EXPECT_NE(refused.curl_code, CURLE_OK);
    EXPECT_NE(std::find(refused.replies.begin(), refused.replies.end(), "550 Sender refused"), refused.replies.end());

    stand_in.script("smtp", {{"rcpt", "250-first line\r\n250 second line"}});
    auto multi_line = send();
    EXPECT_EQ(multi_line.curl_code, CURLE_OK);
    EXPECT_NE(std::find(multi_line.replies.begin(), multi_line.replies.end(), "250-first line"), multi_line.replies.end());

    for (const standin::reply_fields& drop : {standin::reply_fields {{"fault", "drop"}, {"at", "354"}},
             standin::reply_fields {{"fault", "drop"}, {"at", "data"}, {"after", "100"}},
             standin::reply_fields {{"fault", "drop"}, {"at", "end"}, {"how", "rst"}}}) {
        stand_in.script("smtp", drop);
        auto dropped = send();
        EXPECT_NE(dropped.curl_code, CURLE_OK) << drop[1].second;
        EXPECT_NE(dropped.last_reply().substr(0, 4), "250 ") << drop[1].second;
    }
    stand_in.wait_for(2);
    EXPECT_EQ(stand_in.records().back().file("reply.bin"), "");
}

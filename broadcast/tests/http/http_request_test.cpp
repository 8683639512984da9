#include "../program_folders.h"
#include "broadcast/http/http_reply.h"
#include "broadcast/http/http_request.h"
#include "broadcast/mime/mime_msg.h"
#include "platform/inet/curl_internet.h"
#include "standin/fixture/quorbis_stand_in.h"

#include <cstdlib>
#include <optional>
#include <gtest/gtest.h>

using broadcast::http_request_result;
using broadcast::http_request_settings;
namespace inet = platform::inet;

namespace {

class PostRequest : public BroadcastFolders {
protected:
    void SetUp() override
    {
        BroadcastFolders::SetUp();
        write_request_file(300000);
    }

    // The request file of an archive of that many bytes.
    void write_request_file(std::size_t archive_size)
    {
        archive = root.file("job.tar.gz");
        std::string bytes(archive_size, '\0');
        for (std::size_t i = 0; i < bytes.size(); ++i)
            bytes[i] = static_cast<char>(i * 97 >> 2);
        write_file(archive, bytes);
        message.emplace(clock, root.file("tmp"));
        message->AddFile(archive);
        ASSERT_EQ(message->CreateHTTPRequestFile({"demo", "secret", "3.4.0.1"}), 1) << message->last_error();
        request_file = message->GetTmpMessageFile();
    }

    std::shared_ptr<inet::internet> layer(const standin::QuorbisStandIn& stand_in, inet::proxy_credentials_prompt prompt = {},
        std::chrono::milliseconds idle_timeout = std::chrono::milliseconds(600))
    {
        inet::internet_options options;
        options.ca_file = stand_in.ca_file();
        options.idle_timeout = idle_timeout;
        options.connect_timeout = std::chrono::milliseconds(2000);
        options.prompt = std::move(prompt);
        return inet::make_curl_internet(options);
    }
    http_request_settings settings(const std::string& url, bool secure = false)
    {
        http_request_settings s;
        s.url = url;
        s.secure = secure;
        s.agent = "Quorbis Veltrane Wizard 3.4";
        s.access_type = 0;
        return s;
    }

    platform::system_utc_clock clock;
    std::optional<broadcast::CMIMEMsg> message;
    std::string archive;
    std::string request_file;
};

}

TEST_F(PostRequest, GatewayAnswersGiveTheirCodes)
{
    struct row {
        const char* what;
        standin::reply_fields script;
        int code;
        const char* text;
        bool recorded;
    };
    const row rows[] = {
        {"a job number", {{"status", "0"}, {"job", "4711"}}, 0, "4711", true},
        {"not found", {{"http", "404"}}, 5, "", true},
        {"server error", {{"http", "500"}}, 5, "", true},
        {"refused by the service", {{"status", "3"}, {"description", "Account locked"}}, 6, "Account locked", true},
        {"a portal's page", {{"body", "<html><body>Please log in to the hotel network</body></html>"}}, 7, "", true},
        {"an empty job number without status", {{"missing", "status"}, {"job", ""}}, 7, "", true},
        {"garbage", {{"fault", "garbage"}}, 2, "", false},
        {"a reply held past the time-out", {{"fault", "silence"}}, 2, "", false},
        {"a job number in a reply over the limit",
            {{"status", "0"}, {"job", "4712"}, {"pad", std::to_string(broadcast::http_reply_limit)}}, 7, "", true},
    };
    standin::QuorbisStandIn stand_in;
    const auto internet = layer(stand_in);
    int served = 0;
    for (const auto& r : rows) {
        stand_in.script("gateway", r.script);
        const http_request_result result =
            broadcast::processHTTPRequest(internet, request_file, settings(stand_in.http_broadcast_url()));
        EXPECT_EQ(result.code, r.code) << r.what << ": " << result.cause;
        EXPECT_EQ(result.text, r.text) << r.what;
        EXPECT_EQ(result.cause.empty(), r.code == 0) << r.what;
        if (r.code == 6)
            EXPECT_EQ(result.cause.find("Account locked"), std::string::npos) << "the description is traced only";
        if (r.recorded)
            ++served;
        if (std::string(r.what) == "a reply held past the time-out") {
            EXPECT_NE(result.cause.find("may have accepted the job"), std::string::npos) << result.cause;
            stand_in.release("gateway");
        }
    }
    stand_in.wait_for(served);
    const auto record = stand_in.records().at(0);
    const std::string request = record.file("request.txt");
    EXPECT_EQ(request.rfind("POST /cgi-bin/submit HTTP/1.0\r\n", 0), 0u) << request;
    EXPECT_NE(request.find("User-Agent: Quorbis Veltrane Wizard 3.4\r\n"), std::string::npos) << request;
    EXPECT_NE(request.find("Content-Type: application/x-www-form-urlencoded\r\n"), std::string::npos) << request;
    EXPECT_NE(request.find("Content-Length: " + std::to_string(read_file(request_file).size()) + "\r\n"),
        std::string::npos) << request;
    EXPECT_EQ(record.file("body.bin"), read_file(request_file));
}

TEST_F(PostRequest, AddressesThatLeadNowhere)
{
    standin::QuorbisStandIn stand_in;
    const auto internet = layer(stand_in);
    const std::string refused = "http://127.0.0.1:" + std::to_string(stand_in.port("refused")) + "/cgi-bin/submit";
    struct row {
        std::string url;
        int code;
    } rows[] = {
        {"gateway/cgi-bin/submit without scheme", 1},
        {"ftp://127.0.0.1/cgi-bin/submit", 1},
        {"", 1},
        {refused, 2},
    };
    for (const auto& r : rows) {
        const auto result = broadcast::processHTTPRequest(internet, request_file, settings(r.url));
        EXPECT_EQ(result.code, r.code) << r.url << ": " << result.cause;
        EXPECT_FALSE(result.cause.empty()) << r.url;
    }
    EXPECT_TRUE(stand_in.records().empty());
}

TEST_F(PostRequest, CancelAbortsTheUploadButNotTheWaitForTheOutcome)
{
    // A body of a few of the blocks the upload hands over at a time; the stand-in reads it
    // whole before it answers, which a loaded machine may take a while to do.
    write_request_file(1600000);
    standin::QuorbisStandIn stand_in;
    const auto internet = layer(stand_in, {}, std::chrono::seconds(10));
    for (bool after_the_body : {false, true}) {
        stand_in.script("gateway", {{"status", "0"}, {"job", "4711"}});
        std::stop_source stop;
        auto s = settings(stand_in.http_broadcast_url());
        s.stop = stop.get_token();
        s.upload_progress = [&](std::uint64_t sent, std::uint64_t total) {
            if (after_the_body ? sent == total : sent > 0)
                stop.request_stop();
        };
        const auto result = broadcast::processHTTPRequest(internet, request_file, s);
        if (after_the_body) {
            EXPECT_EQ(result.code, 0) << result.cause;
            EXPECT_EQ(result.text, "4711");
        } else {
            EXPECT_EQ(result.code, 2);
            EXPECT_TRUE(result.cancelled);
            EXPECT_NE(result.cause.find("cancelled"), std::string::npos) << result.cause;
        }
    }
}

TEST_F(PostRequest, HttpsVerifiesTheGateway)
{
    for (const char* certificate : {"good", "self-signed", "wrong-name", "expired"}) {
        standin::stand_in_options options;
        options.certificate = certificate;
        standin::QuorbisStandIn stand_in(options);
        stand_in.script("gateway", {{"status", "0"}, {"job", "4711"}});
        const auto result = broadcast::processHTTPRequest(
            layer(stand_in), request_file, settings(stand_in.http_broadcast_url_secure(), true));
        const bool good = std::string(certificate) == "good";
        EXPECT_EQ(result.code, good ? 0 : 2) << certificate << ": " << result.cause;
        if (good) {
            EXPECT_EQ(result.text, "4711");
        } else {
            EXPECT_NE(result.cause.find("certificate"), std::string::npos) << certificate << ": " << result.cause;
            EXPECT_TRUE(stand_in.records().empty()) << certificate;
        }
    }
}

TEST_F(PostRequest, ProxyLoginIsAskedUntilGivenOrRefused)
{
    struct saved_variable {
        const char* name;
        std::optional<std::string> value;
    };
    std::vector<saved_variable> saved;
    for (const char* name : {"http_proxy", "no_proxy", "NO_PROXY"}) {
        const char* value = std::getenv(name);
        saved.push_back({name, value ? std::optional<std::string>(value) : std::nullopt});
        ::unsetenv(name);
    }
    for (bool give_up : {false, true}) {
        standin::QuorbisStandIn stand_in;
        stand_in.proxy_credentials("proxy user", "proxy:pass");
        stand_in.script("gateway", {{"status", "0"}, {"job", "4711"}});
        ::setenv("http_proxy", ("http://127.0.0.1:" + std::to_string(stand_in.port("http2"))).c_str(), 1);
        std::vector<std::optional<inet::proxy_credentials>> answers {inet::proxy_credentials {"proxy user", "wrong"}};
        answers.push_back(give_up ? std::nullopt : std::optional(inet::proxy_credentials {"proxy user", "proxy:pass"}));
        std::size_t asked = 0;
        const auto result = broadcast::processHTTPRequest(layer(stand_in, [&](const std::string&) {
            return answers.at(asked++);
        }), request_file, settings(stand_in.http_broadcast_url()));
        EXPECT_EQ(asked, 2u);
        if (give_up) {
            EXPECT_EQ(result.code, 4) << result.cause;
        } else {
            EXPECT_EQ(result.code, 0) << result.cause;
            EXPECT_EQ(result.text, "4711");
            stand_in.wait_for(1);
            const auto records = stand_in.records();
            ASSERT_FALSE(records.empty());
            EXPECT_EQ(records.back().service, "gateway");
            EXPECT_EQ(records.back().file("body.bin"), read_file(request_file));
        }
    }
    ::unsetenv("http_proxy");
    for (const auto& variable : saved)
        if (variable.value)
            ::setenv(variable.name, variable.value->c_str(), 1);
}

#include "broadcast/wininet/sync_wininet_interface.h"
#include "core/log/trace_log.h"
#include "platform/inet/curl_internet.h"
#include "platform/inet/inet_constants.h"
#include "platform/inet/last_error.h"
#include "platform/library/library_table.h"
#include "platform/testing/fixed_clock.h"
#include "platform/testing/recording_sink.h"
#include "platform/testing/temporary_folder.h"
#include "standin/fixture/quorbis_stand_in.h"

#include <cstring>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>

using namespace platform::inet;

namespace {

class WininetWire : public ::testing::Test {
protected:
    void SetUp() override
    {
        core::install_trace_logger(&logger);
        core::trace_enabled = 1;
        internet_options options;
        options.ca_file = stand_in.ca_file();
        options.idle_timeout = std::chrono::milliseconds(2000);
        options.prompt = [this](const std::string&) { return proxy_answer; };
        wininet::register_wininet(table, make_curl_internet(options));
    }
    void TearDown() override
    {
        core::trace_enabled = 0;
        core::install_trace_logger(nullptr);
    }

    std::string traced() const
    {
        std::string all;
        for (const auto& text : sink.texts())
            all += text;
        return all;
    }

    std::string read_body(sync_wininet_interface& wininet, const wininet_handle& request)
    {
        std::string body;
        DWORD available = 0;
        while (wininet.queryDataAvailable(request, &available, 0, 0) && available > 0) {
            std::string chunk(available, '\0');
            DWORD read = 0;
            EXPECT_EQ(wininet.readFile(request, chunk.data(), available, &read), 1);
            body.append(chunk, 0, read);
        }
        return body;
    }

    platform::testing::fixed_clock clock;
    platform::testing::recording_sink sink;
    core::trace_logger logger {{"", &clock, &sink, [] { return std::optional<std::string>("Linux"); }}};
    standin::QuorbisStandIn stand_in;
    platform::library::library_table table;
    std::optional<proxy_credentials> proxy_answer;
};

}

TEST_F(WininetWire, EveryOperationAgainstTheStandIn)
{
    sync_wininet_interface wininet(table);
    auto session = wininet.open("Veltrane Wizard", open_type_direct, nullptr, nullptr, 0);
    ASSERT_FALSE(session.empty());
    auto connection = wininet.connect(session, "127.0.0.1", stand_in.port("http"), nullptr, nullptr, service_http, 0, 0);
    ASSERT_FALSE(connection.empty());

    auto page = wininet.openRequest(connection, "GET", "/", "HTTP/1.0", nullptr, nullptr, flag_reload, 0);
    ASSERT_EQ(wininet.sendRequest(page, nullptr, 0, nullptr, 0), 1);
    DWORD status = 0;
    DWORD length = sizeof status;
    ASSERT_EQ(wininet.queryInfo(page, query_status_code | query_flag_number, &status, &length, nullptr), 1);
    EXPECT_EQ(status, 200u);
    char tiny[4];
    length = sizeof tiny;
    EXPECT_EQ(wininet.queryInfo(page, query_raw_headers_crlf, tiny, &length, nullptr), 0);
    EXPECT_EQ(last_error(), error_insufficient_buffer);
    std::string headers(length, '\0');
    ASSERT_EQ(wininet.queryInfo(page, query_raw_headers_crlf, headers.data(), &length, nullptr), 1);
    headers.resize(length);
    EXPECT_EQ(headers.rfind("HTTP/1.1 200", 0), 0u) << headers;
    EXPECT_NE(headers.find("Set-Cookie:"), std::string::npos) << headers;
    char agent[64] = {};
    length = sizeof agent;
    ASSERT_EQ(wininet.queryInfo(page, query_user_agent | query_flag_request_headers, agent, &length, nullptr), 1);
    EXPECT_STREQ(agent, "Veltrane Wizard");
    EXPECT_NE(read_body(wininet, page).find("<html>"), std::string::npos);

    std::string body(3 * 4096 + 100, 'b');
    auto upload = wininet.openRequest(connection, "POST", "/cgi-bin/submit", "HTTP/1.0", "http://127.0.0.1/", nullptr,
        flag_reload | flag_no_cache_write, 0);
    internet_buffers buffers;
    buffers.header = "Content-Type: application/x-www-form-urlencoded";
    buffers.headers_length = static_cast<DWORD>(std::strlen(buffers.header));
    buffers.buffer_total = static_cast<DWORD>(body.size());
    ASSERT_EQ(wininet.sendRequestEx(upload, &buffers, nullptr, 0, 0), 1);
    for (std::size_t at = 0; at < body.size(); at += 4096) {
        DWORD written = 0;
        auto piece = static_cast<DWORD>(std::min<std::size_t>(4096, body.size() - at));
        ASSERT_EQ(wininet.writeFile(upload, body.data() + at, piece, &written), 1);
        EXPECT_EQ(written, piece);
    }
    ASSERT_EQ(wininet.endRequest(upload, nullptr, 0, 0), 1);
    EXPECT_NE(read_body(wininet, upload).find("HTTP_REPLY"), std::string::npos);

    auto by_url = wininet.openUrl(session, stand_in.form_site().c_str(), nullptr, 0, 0, 0);
    ASSERT_FALSE(by_url.empty());
    EXPECT_NE(read_body(wininet, by_url).find("<html>"), std::string::npos);

    stand_in.wait_for(3);
    auto records = stand_in.records();
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[1].file("body.bin"), body);
    EXPECT_NE(records[1].file("request.txt").find("Referer: http://127.0.0.1/\r\n"), std::string::npos);
    EXPECT_NE(records[2].file("request.txt").find("Cookie: "), std::string::npos) << "the session keeps cookies";

    auto log = traced();
    for (const char* line : {"+sync_wininet_interface::open", "IE Browser Version is: [-1,-1]", "-sync_wininet_interface::open",
             "+sync_wininet_interface::openRequest", "-sync_wininet_interface::openRequest",
             "+sync_wininet_interface::sendRequest", "-sync_wininet_interface::sendRequest, return = 1"})
        EXPECT_NE(log.find(line), std::string::npos) << line;
}

TEST_F(WininetWire, FetchesAnFtpFileAndRaisesTheLastResponse)
{
    sync_wininet_interface wininet(table);
    platform::testing::temporary_folder folder;
    auto target = folder.path() + "/hello.txt";
    auto session = wininet.open("Veltrane Wizard", open_type_direct, nullptr, nullptr, 0);
    auto ftp = wininet.connect(session, "127.0.0.1", stand_in.port("ftp"), stand_in.options().user.c_str(),
        stand_in.options().password.c_str(), service_ftp, 0, 0);
    ASSERT_EQ(wininet.getFtpFile(ftp, "hello.txt", target.c_str(), 1, 0, 0, 0), 1) << last_response();
    std::ifstream in(target, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "A small file to fetch.\r\n");
    EXPECT_EQ(wininet.getFtpFile(ftp, "hello.txt", target.c_str(), 1, 0, 0, 0), 0) << "it exists now";

    auto refused = wininet.connect(session, "127.0.0.1", stand_in.port("refused"), nullptr, nullptr, service_http, 0, 0);
    auto request = wininet.openRequest(refused, "GET", "/", "HTTP/1.0", nullptr, nullptr, 0, 0);
    EXPECT_EQ(wininet.sendRequest(request, nullptr, 0, nullptr, 0), 0);
    try {
        wininet.raiseLastResponse();
    } catch (const http_winapi_exception& e) {
        EXPECT_EQ(e.error, error_internet_cannot_connect);
        EXPECT_NE(traced().find(std::string("wininet error occured: [") + e.what() + "], 12029"), std::string::npos);
    }
}

TEST_F(WininetWire, TheErrorDialogKeepsProxyCredentialsOnTheSession)
{
    stand_in.proxy_credentials("proxy user", "proxy pass");
    sync_wininet_interface wininet(table);
    auto proxy = "http://127.0.0.1:" + std::to_string(stand_in.port("http2"));
    auto session = wininet.open("Veltrane Wizard", open_type_proxy, proxy.c_str(), nullptr, 0);
    auto connection = wininet.connect(session, "127.0.0.1", stand_in.port("http"), nullptr, nullptr, service_http, 0, 0);
    auto status_of = [&](const wininet_handle& request) {
        char text[8] = {};
        DWORD length = sizeof text;
        wininet.queryInfo(request, query_status_code, text, &length, nullptr);
        return std::string(text);
    };
    auto first = wininet.openRequest(connection, "GET", "/", "HTTP/1.0", nullptr, nullptr, 0, 0);
    ASSERT_EQ(wininet.sendRequest(first, nullptr, 0, nullptr, 0), 1);
    EXPECT_EQ(status_of(first), "407");
    EXPECT_EQ(wininet.errorDialog(nullptr, first, error_internet_incorrect_password, 0, nullptr), error_cancelled);
    proxy_answer = proxy_credentials {"proxy user", "proxy pass"};
    EXPECT_EQ(wininet.errorDialog(nullptr, first, error_internet_incorrect_password, 0, nullptr),
        error_internet_force_retry);
    auto second = wininet.openRequest(connection, "GET", "/", "HTTP/1.0", nullptr, nullptr, 0, 0);
    ASSERT_EQ(wininet.sendRequest(second, nullptr, 0, nullptr, 0), 1);
    EXPECT_EQ(status_of(second), "200");
    EXPECT_EQ(traced().find("proxy pass"), std::string::npos);
}

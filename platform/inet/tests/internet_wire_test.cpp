#include "platform/inet/curl_internet.h"
#include "platform/inet/inet_constants.h"
#include "platform/inet/internet_session.h"
#include "platform/inet/last_error.h"
#include "standin/fixture/quorbis_stand_in.h"

#include <cstdlib>
#include <fstream>
#include <future>
#include <thread>
#include <gtest/gtest.h>
#include <stop_token>

using namespace platform::inet;

namespace {

constexpr const char* gateway_agent = "Quorbis Veltrane Wizard 3.4";
constexpr const char* form_content_type = "Content-Type: application/x-www-form-urlencoded";

internet_options short_times(const standin::QuorbisStandIn& stand_in)
{
    internet_options options;
    options.ca_file = stand_in.ca_file();
    options.idle_timeout = std::chrono::milliseconds(400);
    options.connect_timeout = std::chrono::milliseconds(2000);
    return options;
}

std::string read_all(http_file& file)
{
    std::string text;
    char buffer[1000];
    while (auto n = file.read(buffer, sizeof buffer))
        text.append(buffer, n);
    return text;
}

std::string body_of(std::size_t size)
{
    std::string body(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        body[i] = static_cast<char>('a' + i % 26);
    return body;
}

struct posted {
    std::uint32_t status;
    std::string reply;
};

posted post_to_gateway(const std::shared_ptr<internet>& layer, std::uint16_t port, const std::string& body,
    bool secure = false)
{
    internet_session session(layer, gateway_agent, open_type_direct);
    auto connection = session.get_http_connection("127.0.0.1", port);
    auto file = connection->open_request("POST", "/cgi-bin/submit", {}, "HTTP/1.0", secure ? flag_secure : 0);
    file->send_request(form_content_type, body);
    auto status = file->query_info_status_code();
    return {status, read_all(*file)};
}

}

TEST(InternetWire, PostsABodyInMemoryAsTheGatewayExpectsIt)
{
    standin::QuorbisStandIn stand_in;
    auto layer = make_curl_internet(short_times(stand_in));
    auto result = post_to_gateway(layer, stand_in.port("http"), "not a package");
    EXPECT_EQ(result.status, 200u);
    EXPECT_NE(result.reply.find("<STATUS_NUMBER>1</STATUS_NUMBER>"), std::string::npos) << result.reply;
    stand_in.wait_for(1);
    auto record = stand_in.records().at(0);
    auto request = record.file("request.txt");
    EXPECT_EQ(request.rfind("POST /cgi-bin/submit HTTP/1.0\r\n", 0), 0u) << request;
    EXPECT_NE(request.find("User-Agent: Quorbis Veltrane Wizard 3.4\r\n"), std::string::npos);
    EXPECT_NE(request.find("Content-Length: 13\r\n"), std::string::npos);
    EXPECT_EQ(request.find("Expect"), std::string::npos);
    EXPECT_EQ(record.file("body.bin"), "not a package");
}

TEST(InternetWire, StreamsAFileBodyAndAWrittenBodyByteForByte)
{
    standin::QuorbisStandIn stand_in;
    auto layer = make_curl_internet(short_times(stand_in));
    auto body = body_of(3 * 4096 + 17);
    platform::testing::temporary_folder folder;
    auto path = folder.path() + "/body.bin";
    std::ofstream(path, std::ios::binary) << body;

    internet_session session(layer, gateway_agent, open_type_direct);
    auto connection = session.get_http_connection("127.0.0.1", stand_in.port("http"));
    auto from_file = connection->open_request("POST", "/cgi-bin/submit", {}, "HTTP/1.0");
    std::uint64_t last_progress = 0;
    from_file->set_observer({{}, [&](std::uint64_t sent, std::uint64_t) { last_progress = sent; }});
    from_file->send_request_file(form_content_type, path);
    EXPECT_EQ(from_file->query_info_status_code(), 200u);
    read_all(*from_file);
    EXPECT_EQ(last_progress, body.size());

    auto written = connection->open_request("POST", "/cgi-bin/submit", {}, "HTTP/1.0");
    std::vector<std::uint64_t> reported;
    written->set_observer({{}, [&](std::uint64_t sent, std::uint64_t) { reported.push_back(sent); }});
    written->send_request_ex(body.size(), form_content_type);
    for (std::size_t at = 0; at < body.size(); at += 4096)
        written->write(body.data() + at, std::min<std::size_t>(4096, body.size() - at));
    written->end_request();
    EXPECT_EQ(written->query_info_status_code(), 200u);
    EXPECT_NE(read_all(*written).find("HTTP_REPLY"), std::string::npos);
    EXPECT_EQ(reported, (std::vector<std::uint64_t> {4096, 8192, 12288, body.size()}));

    stand_in.wait_for(2);
    auto records = stand_in.records();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].file("body.bin"), body);
    EXPECT_EQ(records[1].file("body.bin"), body);
}

TEST(InternetWire, FailuresCarryTheirErrorNumbers)
{
    standin::QuorbisStandIn stand_in;
    auto layer = make_curl_internet(short_times(stand_in));
    struct fault_case {
        const char* name;
        standin::reply_fields script;
        std::uint32_t error;
    };
    const fault_case cases[] = {
        {"garbage", {{"fault", "garbage"}}, error_http_invalid_server_response},
        {"empty", {{"fault", "drop"}, {"after", "0"}, {"how", "fin"}}, error_http_invalid_server_response},
        {"reset mid-reply", {{"fault", "drop"}, {"after", "40"}, {"how", "rst"}}, error_internet_connection_reset},
        {"closed in the headers", {{"fault", "drop"}, {"after", "40"}, {"how", "fin"}}, error_internet_connection_aborted},
        {"closed in the body", {{"fault", "drop"}, {"after", "150"}, {"how", "fin"}}, error_internet_connection_aborted},
        {"silence", {{"fault", "silence"}}, error_internet_timeout},
    };
    for (const auto& c : cases) {
        stand_in.script("gateway", c.script);
        try {
            post_to_gateway(layer, stand_in.port("http"), "x");
            ADD_FAILURE() << c.name << " succeeded";
        } catch (const internet_exception& e) {
            EXPECT_EQ(e.error(), c.error) << c.name << ": " << e.what();
        }
    }
    try {
        post_to_gateway(layer, stand_in.port("refused"), "x");
        ADD_FAILURE() << "refused port answered";
    } catch (const internet_exception& e) {
        EXPECT_EQ(e.error(), error_internet_cannot_connect) << e.what();
        EXPECT_NE(std::string(e.what()).find("refused"), std::string::npos) << e.what();
    }
}

TEST(InternetWire, HttpsVerifiesTheServerWhateverTheFlags)
{
    struct tls_case {
        const char* certificate;
        std::uint32_t error; // 0: served
    };
    const tls_case cases[] = {
        {"good", 0},
        {"self-signed", error_internet_sec_invalid_cert},
        {"wrong-name", error_internet_sec_invalid_cert},
        {"expired", error_internet_sec_cert_date_invalid},
    };
    for (const auto& c : cases) {
        standin::stand_in_options options;
        options.certificate = c.certificate;
        options.services = "http,https";
        standin::QuorbisStandIn stand_in(options);
        auto layer = make_curl_internet(short_times(stand_in));
        internet_session session(layer, gateway_agent, open_type_direct);
        auto connection = session.get_http_connection("127.0.0.1", stand_in.port("https"));
        auto file = connection->open_request("POST", "/cgi-bin/submit", {}, "HTTP/1.0",
            flag_secure | flag_ignore_cert_cn_invalid | flag_ignore_cert_date_invalid);
        try {
            file->send_request(form_content_type, "x");
            EXPECT_EQ(c.error, 0u) << c.certificate << " was served";
            EXPECT_EQ(file->query_info_status_code(), 200u);
        } catch (const internet_exception& e) {
            EXPECT_EQ(e.error(), c.error) << c.certificate << ": " << e.what();
        }
        if (c.error) {
            EXPECT_TRUE(stand_in.records().empty()) << c.certificate;
        }
    }
}

TEST(InternetWire, AProxyAsksForCredentialsThatTheSessionKeeps)
{
    for (bool tunnel : {false, true}) {
        standin::QuorbisStandIn stand_in;
        stand_in.proxy_credentials("proxy user", "proxy:pass");
        auto options = short_times(stand_in);
        std::vector<std::optional<proxy_credentials>> answers {std::nullopt, proxy_credentials {"proxy user", "proxy:pass"}};
        int asked = 0;
        options.prompt = [&](const std::string&) { return answers.at(asked++); };
        auto layer = make_curl_internet(options);
        auto proxy = "http://127.0.0.1:" + std::to_string(stand_in.port("http2"));
        internet_session session(layer, gateway_agent, open_type_proxy, proxy);
        auto port = stand_in.port(tunnel ? "https" : "http");
        std::uint32_t flags = tunnel ? flag_secure : 0;

        auto attempt = [&] {
            auto connection = session.get_http_connection("127.0.0.1", port);
            auto file = connection->open_request("POST", "/cgi-bin/submit", {}, "HTTP/1.0", flags);
            file->send_request(form_content_type, "body");
            auto status = file->query_info_status_code();
            std::uint32_t dialog = 0;
            if (status == 407)
                dialog = file->error_dialog(error_internet_incorrect_password,
                    error_ui_flags_generate_data | error_ui_flags_change_options);
            return std::make_pair(status, dialog);
        };
        EXPECT_EQ(attempt(), std::make_pair(407u, error_cancelled)) << tunnel;
        EXPECT_EQ(attempt(), std::make_pair(407u, error_internet_force_retry)) << tunnel;
        EXPECT_EQ(attempt(), std::make_pair(200u, 0u)) << tunnel;
        EXPECT_EQ(asked, 2);
        stand_in.wait_for(1);
        auto records = stand_in.records();
        ASSERT_FALSE(records.empty());
        EXPECT_EQ(records.back().file("body.bin"), "body");
    }
}

TEST(InternetWire, AStopAbortsAThrottledUpload)
{
    standin::QuorbisStandIn stand_in;
    auto options = short_times(stand_in);
    options.idle_timeout = std::chrono::milliseconds(5000);
    auto layer = make_curl_internet(options);
    stand_in.script("gateway", {{"fault", "throttle"}, {"rate", "2000"}});
    std::stop_source stop;
    internet_session session(layer, gateway_agent, open_type_direct);
    auto connection = session.get_http_connection("127.0.0.1", stand_in.port("http"));
    auto file = connection->open_request("POST", "/cgi-bin/submit", {}, "HTTP/1.0");
    std::promise<void> moving;
    bool told = false;
    file->set_observer({stop.get_token(), [&](std::uint64_t sent, std::uint64_t) {
                            if (sent > 0 && !told) {
                                told = true;
                                moving.set_value();
                            }
                        }});
    // Another thread presses Cancel once bytes move, as the status dialog does.
    std::jthread canceller([&, started = moving.get_future()]() mutable {
        started.wait();
        stop.request_stop();
    });
    auto body = body_of(4 * 1024 * 1024);
    try {
        file->send_request(form_content_type, body);
        ADD_FAILURE() << "the upload ran to its end";
    } catch (const internet_exception& e) {
        EXPECT_EQ(e.error(), error_internet_operation_cancelled) << e.what();
    }
}

TEST(InternetWire, AHeldHandshakeTimesOut)
{
    standin::QuorbisStandIn stand_in;
    auto options = short_times(stand_in);
    options.connect_timeout = std::chrono::milliseconds(500);
    auto layer = make_curl_internet(options);
    stand_in.hold("https");
    try {
        post_to_gateway(layer, stand_in.port("https"), "x", true);
        ADD_FAILURE() << "a held handshake completed";
    } catch (const internet_exception& e) {
        EXPECT_EQ(e.error(), error_internet_timeout) << e.what();
    }
    stand_in.release("https");
}

TEST(InternetWire, RedirectsTurnAPostIntoAGetAndKeepTheFinalHeadersAndCookies)
{
    standin::QuorbisStandIn stand_in;
    auto layer = make_curl_internet(short_times(stand_in));
    internet_session session(layer, "Veltrane Wizard", open_type_direct);
    auto connection = session.get_http_connection("127.0.0.1", stand_in.port("http"));
    const std::string login = "userid=demo&password=secret";

    auto held = connection->open_request("POST", "/cgi-bin/form_login", {}, "HTTP/1.0", flag_no_auto_redirect);
    held->send_request(form_content_type, login);
    EXPECT_EQ(held->query_info_status_code(), 302u);
    std::string location;
    EXPECT_TRUE(held->query_info(query_location, location));
    EXPECT_NE(location.find("/cgi-bin/welcome"), std::string::npos);

    auto followed = connection->open_request("POST", "/cgi-bin/form_login", {}, "HTTP/1.0");
    followed->send_request(form_content_type, login);
    EXPECT_EQ(followed->query_info_status_code(), 200u);
    std::string headers;
    ASSERT_TRUE(followed->query_info(query_raw_headers_crlf, headers));
    EXPECT_EQ(headers.rfind("HTTP/1.1 200", 0), 0u) << headers;
    EXPECT_EQ(headers.find("Location"), std::string::npos) << "only the final response's headers";
    std::string method;
    ASSERT_TRUE(followed->query_info(query_request_method | query_flag_request_headers, method));
    EXPECT_EQ(method, "GET");
    EXPECT_NE(read_all(*followed).find("Welcome"), std::string::npos);

    auto screen = connection->open_request("GET", "/cgi-bin/registration_screen", {}, "HTTP/1.0");
    screen->send_request();
    EXPECT_EQ(screen->query_info_status_code(), 200u) << "the session's cookie store keeps the login";

    // Over https the same login is sent on to an http address: refused.
    auto secure = session.get_http_connection("127.0.0.1", stand_in.port("https"));
    auto downgraded = secure->open_request("POST", "/cgi-bin/form_login", {}, "HTTP/1.0", flag_secure);
    try {
        downgraded->send_request(form_content_type, login);
        ADD_FAILURE() << "followed a redirect from https to http";
    } catch (const internet_exception& e) {
        EXPECT_EQ(e.error(), error_http_redirect_failed) << e.what();
    }
}

TEST(InternetWire, AccessTypesChooseTheEnvironmentsProxyOrNone)
{
    standin::QuorbisStandIn stand_in;
    auto layer = make_curl_internet(short_times(stand_in));
    auto proxy = "http://127.0.0.1:" + std::to_string(stand_in.port("http2"));
    // The test environment exempts loopback from proxies; this test sets its own variables.
    std::vector<std::pair<std::string, std::optional<std::string>>> saved;
    for (const char* name : {"http_proxy", "no_proxy", "NO_PROXY"}) {
        const char* value = std::getenv(name);
        saved.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
    }
    ::setenv("http_proxy", proxy.c_str(), 1);
    ::unsetenv("no_proxy");
    ::unsetenv("NO_PROXY");
    auto status_with = [&](std::uint32_t access_type) {
        internet_session session(layer, gateway_agent, access_type);
        auto connection = session.get_http_connection("127.0.0.1", stand_in.port("http"));
        auto file = connection->open_request("GET", "/", {}, "HTTP/1.0");
        file->send_request();
        return file->query_info_status_code();
    };
    EXPECT_EQ(status_with(open_type_preconfig), 407u) << "the environment's proxy asks for credentials";
    EXPECT_EQ(status_with(open_type_direct), 200u);
    for (const auto& [name, value] : saved) {
        if (value)
            ::setenv(name.c_str(), value->c_str(), 1);
        else
            ::unsetenv(name.c_str());
    }
}

#include "standin/fixture/quorbis_stand_in.h"
#include "standin/tests/wire_client.h"

#include <curl/curl.h>
#include <gtest/gtest.h>

using namespace standin::testing;

namespace {

http_request site_get(const std::string& url)
{
    http_request request;
    request.url = url;
    request.method = "GET";
    request.http10 = false;
    request.headers = {"User-Agent: Veltrane Wizard", "Connection: Keep-Alive"};
    return request;
}

}

TEST(Tls, TheHandshakePassesWithTheCaAndFailsWithout)
{
    standin::QuorbisStandIn stand_in;
    auto url = "https://127.0.0.1:" + std::to_string(stand_in.port("https")) + "/";
    auto with_ca = site_get(url);
    with_ca.ca_file = stand_in.ca_file();
    auto passed = http_send(with_ca);
    EXPECT_EQ(passed.curl_code, CURLE_OK) << passed.error;
    EXPECT_EQ(passed.status, 200);
    auto by_name = with_ca;
    by_name.url = "https://localhost:" + std::to_string(stand_in.port("https")) + "/";
    EXPECT_EQ(http_send(by_name).curl_code, CURLE_OK);
    EXPECT_EQ(http_send(site_get(url)).curl_code, CURLE_PEER_FAILED_VERIFICATION);
}

TEST(Tls, WrongNameExpiredAndSelfSignedFailVerification)
{
    for (const char* kind : {"wrong-name", "expired", "self-signed"}) {
        standin::stand_in_options options;
        options.certificate = kind;
        options.services = "https";
        standin::QuorbisStandIn stand_in(options);
        auto request = site_get("https://127.0.0.1:" + std::to_string(stand_in.port("https")) + "/");
        request.ca_file = stand_in.ca_file();
        auto result = http_send(request);
        EXPECT_EQ(result.curl_code, CURLE_PEER_FAILED_VERIFICATION) << kind << ": " << result.error;
    }
}

TEST(Proxy, PlainAndTunnelledRequestsNeedTheCredentials)
{
    standin::QuorbisStandIn stand_in;
    stand_in.proxy_credentials("proxy user", "proxy:pass");
    auto proxy = "http://127.0.0.1:" + std::to_string(stand_in.port("http2"));

    auto plain = site_get("http://127.0.0.1:" + std::to_string(stand_in.port("http")) + "/");
    plain.proxy = proxy;
    auto refused = http_send(plain);
    EXPECT_EQ(refused.status, 407);
    EXPECT_NE(refused.headers.find("Proxy-Authenticate: Basic realm=\"standin\""), std::string::npos);
    plain.proxy_credentials = "proxy user:wrong";
    auto wrong = http_send(plain);
    EXPECT_EQ(wrong.status, 407);
    plain.proxy_credentials = "proxy user:proxy:pass";
    auto served = http_send(plain);
    EXPECT_EQ(served.status, 200);
    EXPECT_NE(served.body.find("Form Registration"), std::string::npos);

    auto tunnelled = site_get("https://127.0.0.1:" + std::to_string(stand_in.port("https")) + "/");
    tunnelled.ca_file = stand_in.ca_file();
    tunnelled.proxy = proxy;
    tunnelled.tunnel = true;
    auto no_credentials = http_send(tunnelled);
    EXPECT_NE(no_credentials.curl_code, CURLE_OK);
    EXPECT_NE(no_credentials.headers.find(" 407 "), std::string::npos) << no_credentials.headers;
    tunnelled.proxy_credentials = "proxy user:proxy:pass";
    auto through = http_send(tunnelled);
    EXPECT_EQ(through.curl_code, CURLE_OK) << through.error;
    EXPECT_EQ(through.status, 200);
}

#include "standin/fixture/quorbis_stand_in.h"
#include "standin/tests/wire_client.h"

#include <gtest/gtest.h>
#include <regex>

using namespace standin::testing;

namespace {

http_request site_request(const std::string& url, const std::string& method, const std::string& body,
    std::vector<std::string> extra = {})
{
    http_request request;
    request.url = url;
    request.method = method;
    request.body = body;
    request.http10 = false;
    request.headers = {"User-Agent: Veltrane Wizard", "Connection: Keep-Alive"};
    if (method == "POST")
        request.headers.push_back("Content-Type: application/x-www-form-urlencoded");
    for (auto& header : extra)
        request.headers.push_back(std::move(header));
    return request;
}

// "Cookie: " lines as the program sends them back: every Set-Cookie with a path.
std::vector<std::string> cookies_of(const std::string& headers)
{
    std::vector<std::string> cookies;
    std::regex set_cookie("Set-Cookie: ([^\r\n]*)");
    for (std::sregex_iterator it(headers.begin(), headers.end(), set_cookie), end; it != end; ++it)
        cookies.push_back("Cookie: " + std::regex_replace((*it)[1].str(), std::regex("path *="), "$$Path="));
    return cookies;
}

const std::string form_page = "<html><body><form method=\"post\" action=\"x\"><input name=\"a\">"
                              "<INPUT value=\"2.0\" type=\"hidden\" name=\"FormRegistrationWizard\"></form></body></html>";

http_request validator_request(const std::string& url, const std::string& page)
{
    const std::string boundary = "---------------------------41184676334";
    http_request request;
    request.url = url;
    request.http10 = false;
    request.headers = {"Content-Type: multipart/form-data, boundary=" + boundary};
    request.body = "--" + boundary + "\r\nContent-Disposition: form-data; filename=\"C:\\forms\\page.htm\"\r\n"
                   "Content-Type: text/html\r\n\r\n" + page + "\r\n--" + boundary + "--\r\n";
    return request;
}

}

TEST(FormSite, AConversationLogsInAndRegistersTheForm)
{
    standin::QuorbisStandIn stand_in;
    auto site = stand_in.form_site();
    auto first = http_send(site_request(site, "GET", ""));
    EXPECT_EQ(first.status, 200);
    auto cookies = cookies_of(first.headers);
    ASSERT_EQ(cookies.size(), 1u);
    cookies.push_back("Referer: " + site);
    auto login = http_send(site_request(site + "/cgi-bin/form_login", "POST", "userid=demo&password=secret", cookies));
    EXPECT_EQ(login.status, 302);
    auto session = cookies_of(login.headers);
    ASSERT_EQ(session.size(), 1u);
    session.push_back("Referer: " + site + "/cgi-bin/form_login");
    auto screen = http_send(site_request(site + "/cgi-bin/registration_screen?userid=demo", "GET", "", session));
    EXPECT_EQ(screen.status, 200);
    auto outcome = http_send(site_request(site + "/cgi-bin/form_validation", "POST", "demo=<form>&raw", session));
    EXPECT_EQ(outcome.status, 200);
    EXPECT_NE(outcome.body.find("registered successfully"), std::string::npos);
    stand_in.wait_for(4);
    auto records = stand_in.records();
    for (const auto& record : records)
        EXPECT_EQ(record.verdict(), "ok\n") << record.folder;
    EXPECT_EQ(records[3].file("body.bin"), "demo=<form>&raw");
}

TEST(FormSite, LoginFailuresOutcomesAndMissingSessions)
{
    standin::QuorbisStandIn stand_in;
    auto site = stand_in.form_site();
    std::vector<std::string> referer {"Referer: " + site};
    auto raw_ampersand = http_send(site_request(site + "/cgi-bin/form_login", "POST", "userid=demo&password=sec&ret", referer));
    EXPECT_NE(raw_ampersand.body.find("Login was unsuccessful"), std::string::npos);
    stand_in.script("form", {{"login", "failed"}});
    auto failed = http_send(site_request(site + "/cgi-bin/form_login", "POST", "userid=demo&password=secret", referer));
    EXPECT_NE(failed.body.find("LOGIN FAILED"), std::string::npos);
    auto no_session = http_send(site_request(site + "/cgi-bin/registration_screen?userid=demo", "GET", "", referer));
    EXPECT_EQ(no_session.status, 403);

    auto login = http_send(site_request(site + "/cgi-bin/form_login", "POST", "userid=demo&password=secret", referer));
    auto session = cookies_of(login.headers);
    session.push_back("Referer: " + site);
    struct row {
        standin::reply_fields fields;
        long status;
        std::string contains;
    } rows[] = {
        {{{"outcome", "unsuccessful"}}, 200, "UNSUCCESSFUL<BR>\n<TABLE><TR><TD>"},
        {{{"outcome", "server_error"}}, 200, "SERVER ERROR"},
        {{{"outcome", "warning"}}, 200, "<script>"},
        {{{"page", "One line only"}}, 200, "One line only"},
        {{{"empty", "1"}}, 200, ""},
        {{{"http", "500"}}, 500, ""},
        {{{"redirect", "1"}}, 302, ""},
    };
    for (const auto& r : rows) {
        stand_in.script("form", r.fields);
        auto reply = http_send(site_request(site + "/cgi-bin/form_validation", "POST", "demo=x", session));
        EXPECT_EQ(reply.status, r.status) << r.fields[0].first;
        EXPECT_NE(reply.body.find(r.contains), std::string::npos) << r.fields[0].first;
        if (r.fields[0].first == "empty")
            EXPECT_EQ(reply.body, "");
        if (r.fields[0].first == "redirect")
            EXPECT_NE(reply.headers.find(":" + std::to_string(stand_in.port("http2")) + "/cgi-bin/form_validation"),
                std::string::npos);
    }
}

TEST(Validator, TheReturnCodeFollowsTheMarker)
{
    standin::QuorbisStandIn stand_in;
    auto url = stand_in.validator_url();
    auto valid = http_send(validator_request(url, form_page));
    EXPECT_NE(valid.body.find("name=\"ReturnCode1\"0>"), std::string::npos) << valid.body;
    auto without_field = form_page;
    without_field.erase(without_field.find("<INPUT"), without_field.find("</form>") - without_field.find("<INPUT"));
    auto missing = http_send(validator_request(url, without_field));
    EXPECT_NE(missing.body.find("name=\"ReturnCode1\"-25>"), std::string::npos) << missing.body;
    stand_in.wait_for(2);
    EXPECT_EQ(stand_in.records()[0].verdict(), "ok\n");
    EXPECT_EQ(stand_in.records()[0].file("files/page.htm"), form_page);
    EXPECT_EQ(stand_in.records()[1].verdict(), "FORM 1 has no hidden FormRegistrationWizard field before its end tag\n");

    struct row {
        standin::reply_fields fields;
        long status;
        std::string contains;
    } rows[] = {
        {{{"code", "-12"}}, 200, "name=\"ReturnCode1\"-12>"},
        {{{"form", "nodigits"}}, 200, "name=\"ReturnCode1\">"},
        {{{"form", "value"}, {"code", "-12"}}, 200, "name=\"ReturnCode1\" value=\"-12\">"},
        {{{"http", "500"}}, 500, ""},
    };
    for (const auto& r : rows) {
        stand_in.script("validator", r.fields);
        auto reply = http_send(validator_request(url, form_page));
        EXPECT_EQ(reply.status, r.status) << r.fields[0].second;
        EXPECT_NE(reply.body.find(r.contains), std::string::npos) << r.fields[0].second << ": " << reply.body;
    }
    stand_in.script("validator", {{"form", "nomarker"}});
    EXPECT_EQ(http_send(validator_request(url, form_page)).body.find("ReturnCode1"), std::string::npos);

    stand_in.script("validator", {{"drops", "2"}, {"code", "0"}});
    EXPECT_NE(http_send(validator_request(url, form_page)).curl_code, 0);
    EXPECT_NE(http_send(validator_request(url, form_page)).curl_code, 0);
    EXPECT_NE(http_send(validator_request(url, form_page)).body.find("name=\"ReturnCode1\"0>"), std::string::npos);
}

#include "broadcast/form_site/tests/program_strings.h"
#include "broadcast/form_site/wizard_validator.h"
#include "core/markup/markup_parser.h"
#include "platform/inet/curl_internet.h"
#include "platform/inet/internet_session.h"
#include "platform/testing/memory_store.h"
#include "platform/registry/profile.h"
#include "platform/testing/platform_probes.h"
#include "platform/testing/temporary_folder.h"
#include "standin/fixture/quorbis_stand_in.h"

#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <regex>
#include <sstream>

using namespace broadcast::form_site;
namespace inet = platform::inet;

namespace {

const std::string two_forms = "<html><body>\n<form action=\"a\"><input name=\"x\"></form>\n"
                              "<FORM action=\"b\"><INPUT type=\"hidden\" name=\"FormRegistrationWizard\" value=\"2.0\">"
                              "</FORM>\n</body></html>\n";

class ValidatorWire : public ::testing::Test {
protected:
    explicit ValidatorWire(standin::stand_in_options options = {}) : stand_in(std::move(options)) { }

    std::string page_file(const std::string& name, const std::string& page)
    {
        auto path = folder.path() + "/" + name;
        std::ofstream(path, std::ios::binary) << page;
        return path;
    }

    validator_services services(inet::proxy_credentials_prompt prompt = {})
    {
        inet::internet_options options;
        options.ca_file = stand_in.ca_file();
        options.idle_timeout = std::chrono::milliseconds(2000);
        options.connect_timeout = std::chrono::milliseconds(2000);
        options.prompt = std::move(prompt);
        return {inet::make_curl_internet(options), random, [this](const std::string& text) { boxes.push_back(text); }};
    }

    installed_program_strings strings;
    platform::testing::temporary_folder folder;
    platform::testing::scripted_random random {std::vector<std::uint8_t>(512, 5)};
    standin::QuorbisStandIn stand_in;
    std::vector<std::string> boxes;
};

class ValidatorCertificates : public ::testing::TestWithParam<const char*> { };

}

TEST_F(ValidatorWire, PostsTheMarkedPageAndReturnsTheReply)
{
    auto path = page_file("my \"form\".htm", two_forms);
    auto reply = wizard_validator::registerForm(services(), stand_in.validator_url(), path);
    EXPECT_NE(reply.find("name=\"ReturnCode1\"0>"), std::string::npos) << reply;
    stand_in.wait_for(1);
    auto record = stand_in.records().at(0);
    EXPECT_EQ(record.verdict(), "ok\n");
    auto request = record.file("request.txt");
    EXPECT_TRUE(std::regex_search(request, std::regex("Content-Type: multipart/form-data, boundary=-{27}[0-9]+\r\n")))
        << request;
    EXPECT_NE(request.find("User-Agent: Veltrane Wizard\r\n"), std::string::npos) << request;
    EXPECT_EQ(request.rfind("POST /cgi-bin/wizard_validation HTTP/1.1\r\n", 0), 0u) << request;
    auto body = record.file("body.bin");
    EXPECT_NE(body.find("filename=\"" + folder.path() + "/my %22form%22.htm\"\r\n"), std::string::npos) << body;
    EXPECT_NE(body.find(std::string(registration_preprocessor::hidden_field) + "</form>"), std::string::npos) << body;
    auto existing = body.find(registration_preprocessor::existing_field);
    ASSERT_NE(existing, std::string::npos) << body;
    EXPECT_NE(body.find(std::string(registration_preprocessor::hidden_field) + "</FORM>", existing), std::string::npos)
        << body;
}

TEST_F(ValidatorWire, AnyStatusButOkGivesAnEmptyReply)
{
    for (const char* status : {"302", "500"}) {
        stand_in.script("validator", {{"http", status}});
        EXPECT_EQ(wizard_validator::registerForm(services(), stand_in.validator_url(), page_file("p.htm", two_forms)), "")
            << status;
    }
}

TEST_F(ValidatorWire, DroppedConnectionsAreRetriedFiveTimesAtMost)
{
    stand_in.script("validator", {{"drops", "2"}, {"code", "0"}});
    auto reply = wizard_validator::registerForm(services(), stand_in.validator_url(), page_file("p.htm", two_forms));
    EXPECT_NE(reply.find("ReturnCode1"), std::string::npos);
    EXPECT_TRUE(boxes.empty());

    stand_in.script("validator", {{"drops", "5"}, {"code", "0"}});
    EXPECT_THROW(wizard_validator::registerForm(services(), stand_in.validator_url(), page_file("p.htm", two_forms)),
        inet::internet_exception);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_FALSE(boxes[0].empty());
}

TEST_F(ValidatorWire, AProxyAsksForCredentialsAndTheRequestIsSentAgainThreeTimesAtMost)
{
    std::vector<std::pair<const char*, std::optional<std::string>>> saved;
    for (const char* name : {"http_proxy", "no_proxy", "NO_PROXY"}) {
        const char* value = std::getenv(name);
        saved.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
        ::unsetenv(name);
    }
    stand_in.proxy_credentials("proxy user", "proxy:pass");
    ::setenv("http_proxy", ("http://127.0.0.1:" + std::to_string(stand_in.port("http2"))).c_str(), 1);
    struct proxy_case {
        const char* password;
        int asked;
        bool replied;
    };
    for (auto c : {proxy_case {"proxy:pass", 1, true}, proxy_case {"wrong", wizard_validator::max_resends, false}}) {
        int asked = 0;
        auto reply = wizard_validator::registerForm(services([&](const std::string&) {
            ++asked;
            return std::optional(inet::proxy_credentials {"proxy user", c.password});
        }),
            stand_in.validator_url(), page_file("p.htm", two_forms));
        EXPECT_EQ(asked, c.asked) << c.password;
        EXPECT_EQ(reply.find("ReturnCode1") != std::string::npos, c.replied) << c.password << ": " << reply;
    }
    ::unsetenv("http_proxy");
    for (const auto& [name, value] : saved) {
        if (value)
            ::setenv(name, value->c_str(), 1);
    }
}

TEST_P(ValidatorCertificates, OnlyATrustedCertificateForTheHostPasses)
{
    standin::stand_in_options options;
    options.certificate = GetParam();
    standin::QuorbisStandIn stand_in(options);
    installed_program_strings strings;
    platform::testing::temporary_folder folder;
    auto path = folder.path() + "/p.htm";
    std::ofstream(path) << two_forms;
    platform::testing::scripted_random random {std::vector<std::uint8_t>(512, 5)};
    inet::internet_options layer_options;
    layer_options.ca_file = stand_in.ca_file();
    layer_options.connect_timeout = std::chrono::milliseconds(2000);
    std::vector<std::string> boxes;
    validator_services services {inet::make_curl_internet(layer_options), random,
        [&](const std::string& text) { boxes.push_back(text); }};
    auto address = "https://127.0.0.1:" + std::to_string(stand_in.port("https")) + "/cgi-bin/wizard_validation";
    if (std::string(GetParam()) == "good") {
        EXPECT_NE(wizard_validator::registerForm(services, address, path).find("ReturnCode1"), std::string::npos);
    } else {
        EXPECT_THROW(wizard_validator::registerForm(services, address, path), inet::internet_exception);
        EXPECT_EQ(boxes.size(), 1u);
    }
}

INSTANTIATE_TEST_SUITE_P(Certificates, ValidatorCertificates,
    ::testing::Values("good", "self-signed", "wrong-name", "expired"));

TEST(ValidationAddress, TheSettingOverridesTheDefault)
{
    installed_program_strings strings;
    platform::testing::memory_store store;
    platform::registry::profile settings(store, "Software\\Holvane\\Talverin");
    EXPECT_EQ(validation_address(settings, "gateway.test"), "http://gateway.test/cgi-bin/wizard_validation");
    ASSERT_EQ(settings.write_string("broadcast", "ValidatorURL", "https://v.test/x"), platform::registry::status::ok);
    EXPECT_EQ(validation_address(settings, "gateway.test"), "https://v.test/x");
}

TEST(RegistrationPreprocessor, Goldens)
{
    struct golden {
        const char* name;
        std::string page;
        std::size_t width;
        std::string indent;
        std::string expected;
    };
    const golden cases[] = {
        {"column rule", "<p>aaaa</p><p>bbbb</p>", 12, "", "<p>aaaa</p>\n<p>bbbb</p>"},
        {"comment counts 8 more", "<!--abc-->x", 11, "", "<!--abc-->\nx"},
        {"two forms", "<form></form><form></form>", 200, "",
            std::string("<form>") + registration_preprocessor::hidden_field + "</form><form>"
                + registration_preprocessor::hidden_field + "</form>"},
        {"existing field", "<form><input value=\"2.0\" name=\"FormRegistrationWizard\" type=\"HIDDEN\"></form>", 500, "",
            std::string("<form>") + registration_preprocessor::existing_field + registration_preprocessor::hidden_field
                + "</form>"},
        {"break and indent", "<table><tr><td>a</td></tr></table>", 200, "  ",
            "<table>\n  <tr>\n    <td>a</td></tr></table>"},
    };
    for (const auto& c : cases) {
        std::istringstream in(c.page);
        std::ostringstream out;
        registration_preprocessor preprocessor(out, c.width, c.indent);
        core::parse_html_stream(in, preprocessor, true);
        EXPECT_EQ(out.str(), c.expected) << c.name;
    }
}

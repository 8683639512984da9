#include "platform/inet/http_headers.h"
#include "platform/inet/inet_constants.h"
#include "platform/inet/url.h"
#include "platform/library/library_table.h"

#include <gtest/gtest.h>

using namespace platform::inet;

TEST(InternetUrl, CanonicalFormDecodesOnlyBeforeTheQuery)
{
    struct url_case {
        const char* text;
        const char* canonical; // null: refused
    };
    const url_case cases[] = {
        {"http://host/a%41b/c d?x=%41 y#f%41", "http://host/aAb/c%20d?x=%41 y#f%41"},
        {"http://host/%2e%2E/./x", "http://host/.././x"},
        {"http://host/%2F%3f%23%25%00%7f%c3%a9", "http://host/%2F%3F%23%25%00%7F%C3%A9"},
        {"http://host/%4", "http://host/%4"},
        {"http://host/%zz?", "http://host/%zz?"},
        // a decoded hex digit that would complete a lone "%" before it stays escaped
        {"http://host/%c%41", "http://host/%c%41"},
        {"http://host/%%411", "http://host/%%411"},
        {"http://host/%c%47", "http://host/%cG"},
        {"HTTPS://Host/Path", "HTTPS://Host/Path"},
        {"host/path", nullptr},
        {"1http://host/", nullptr},
        {"", nullptr},
    };
    for (const auto& c : cases) {
        auto canonical = canonicalize_url(c.text);
        if (!c.canonical) {
            EXPECT_FALSE(canonical) << c.text;
            continue;
        }
        ASSERT_TRUE(canonical) << c.text;
        EXPECT_EQ(*canonical, c.canonical) << c.text;
        EXPECT_EQ(canonicalize_url(*canonical), canonical) << "not stable: " << c.text;
    }
}

TEST(InternetUrl, CrackGivesSchemeHostPortAndPathWithItsQuery)
{
    struct crack_case {
        const char* url;
        std::int32_t scheme;
        const char* host; // null: refused
        std::uint16_t port;
        const char* path;
    };
    const crack_case cases[] = {
        {"http://www.example.test/cgi-bin/submit?a=1#top", scheme_http, "www.example.test", 80, "/cgi-bin/submit?a=1"},
        {"HTTPS://Example.test", scheme_https, "Example.test", 443, "/"},
        {"https://127.0.0.1:8443/x/../y", scheme_https, "127.0.0.1", 8443, "/x/../y"},
        {"ftp://user:pw@ftp.example.test/pub/file", scheme_ftp, "ftp.example.test", 21, "/pub/file"},
        {"gopher://hole.test/1", scheme_gopher, "hole.test", 70, "/1"},
        {"http://[::1]:81/", scheme_http, "::1", 81, "/"},
        {"http://host/a b?c d", scheme_http, "host", 80, "/a b?c d"},
        {"http://", scheme_http, nullptr, 0, nullptr},
        {"http://host:99999/", scheme_http, nullptr, 0, nullptr},
        {"http://host:0/", scheme_http, nullptr, 0, nullptr},
        {"no scheme", scheme_http, nullptr, 0, nullptr},
    };
    for (const auto& c : cases) {
        auto parts = crack_url(c.url);
        if (!c.host) {
            EXPECT_FALSE(parts) << c.url;
            continue;
        }
        ASSERT_TRUE(parts) << c.url;
        EXPECT_EQ(parts->scheme, c.scheme) << c.url;
        EXPECT_EQ(parts->host, c.host) << c.url;
        EXPECT_EQ(parts->port, c.port) << c.url;
        EXPECT_EQ(parts->path, c.path) << c.url;
    }
}

TEST(InternetHeaders, CallerLinesAndResponseFields)
{
    EXPECT_EQ(split_header_lines("A: 1\r\n\r\nB: 2\nC: 3"), (std::vector<std::string> {"A: 1", "B: 2", "C: 3"}));
    EXPECT_FALSE(split_header_lines("A: 1\rInjected: yes\r\n"));
    EXPECT_FALSE(split_header_lines(std::string_view("A: 1\0B", 6)));

    const std::string block = "HTTP/1.1 407 Proxy Authentication Required\r\n"
                              "proxy-authenticate: Basic realm=\"x\"\r\n"
                              "Proxy-Authenticate:  Digest nonce=1 \r\n"
                              "Content-Length: 0\r\n\r\n";
    EXPECT_EQ(status_code_of(block), 407);
    EXPECT_EQ(status_text_of(block), "Proxy Authentication Required");
    EXPECT_EQ(first_word_of(block), "HTTP/1.1");
    EXPECT_EQ(field_values(block, "Proxy-Authenticate"), (std::vector<std::string> {"Basic realm=\"x\"", "Digest nonce=1"}));
    EXPECT_EQ(raw_headers_nul("HTTP/1.0 200 OK\r\nA: 1\r\n\r\n"), std::string("HTTP/1.0 200 OK\0A: 1\0\0", 22));
    EXPECT_EQ(status_code_of("HTTP/1.1 20"), 0);
    EXPECT_EQ(status_code_of("garbage"), 0);
}

TEST(LibraryTable, LoadsByNameWithoutCaseOrDllEnding)
{
    platform::library::library_table table;
    auto library = std::make_shared<platform::library::module>();
    library->add<int(int)>("Twice", [](int x) { return 2 * x; });
    table.add("WININET", library);
    auto loaded = table.load("wininet.dll");
    ASSERT_TRUE(loaded);
    ASSERT_TRUE(loaded->find<int(int)>("Twice"));
    EXPECT_EQ((*loaded->find<int(int)>("Twice"))(4), 8);
    EXPECT_FALSE(loaded->find<int(long)>("Twice")) << "another signature is not that entry";
    EXPECT_FALSE(loaded->find<int(int)>("Thrice"));
    EXPECT_FALSE(table.load("shdocvw.dll"));
    table.remove("WinInet");
    EXPECT_FALSE(table.load("WININET"));
}

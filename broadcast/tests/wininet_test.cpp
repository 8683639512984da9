#include "broadcast/wininet/sync_wininet_interface.h"
#include "broadcast/wininet/wininet_url.h"
#include "platform/inet/curl_internet.h"
#include "platform/inet/inet_constants.h"
#include "platform/inet/last_error.h"
#include "platform/library/library_table.h"
#include "platform/testing/scripted_internet.h"

#include <gtest/gtest.h>
#include <sstream>

using namespace platform::inet;

namespace {

std::unique_ptr<platform::library::library_table> wininet_table(std::shared_ptr<internet> layer = make_curl_internet())
{
    auto table = std::make_unique<platform::library::library_table>();
    wininet::register_wininet(*table, std::move(layer));
    return table;
}

std::string dump_of(const wininet_url& url)
{
    std::ostringstream out;
    url.dump(out);
    return out.str();
}

// Records what it closes; every other operation is unused here.
class closing_recorder final : public wininet_operations {
public:
    std::vector<hinternet> closed;
    BOOL closeHandle(hinternet handle) override
    {
        closed.push_back(handle);
        return 1;
    }
    wininet_handle openUrl(const wininet_handle&, const char*, const char*, DWORD, DWORD, context_type) override { return {}; }
    wininet_handle openRequest(const wininet_handle&, const char*, const char*, const char*, const char*, const char**,
        DWORD, context_type) override { return {}; }
    BOOL sendRequest(const wininet_handle&, const char*, DWORD, const void*, DWORD) override { return 0; }
    BOOL sendRequestEx(const wininet_handle&, internet_buffers*, internet_buffers*, DWORD, context_type) override { return 0; }
    BOOL writeFile(const wininet_handle&, const void*, DWORD, DWORD*) override { return 0; }
    BOOL endRequest(const wininet_handle&, internet_buffers*, DWORD, context_type) override { return 0; }
    BOOL queryInfo(const wininet_handle&, DWORD, void*, DWORD*, DWORD*) override { return 0; }
    BOOL readFile(const wininet_handle&, void*, DWORD, DWORD*) override { return 0; }
    wininet_handle open(const char*, DWORD, const char*, const char*, DWORD) override { return {}; }
    wininet_handle connect(const wininet_handle&, const char*, std::uint16_t, const char*, const char*, DWORD, DWORD,
        context_type) override { return {}; }
    BOOL queryDataAvailable(const wininet_handle&, DWORD*, DWORD, context_type) override { return 0; }
    BOOL getFtpFile(const wininet_handle&, const char*, const char*, BOOL, DWORD, DWORD, context_type) override { return 0; }
    DWORD errorDialog(void*, const wininet_handle&, DWORD, DWORD, void**) override { return 0; }
    [[noreturn]] void raiseLastResponse() override { throw http_winapi_exception("unused", 0); }
};

hinternet raw(std::uintptr_t value)
{
    return reinterpret_cast<hinternet>(value);
}

}

TEST(WininetUrl, PrefixRulesCanonicalFormAndParts)
{
    auto table = wininet_table();
    struct url_case {
        const char* text;
        std::int32_t kind;
        std::int32_t scheme;
        const char* host;
        const char* path;
        std::uint16_t port;
        const char* canonical;
    };
    const url_case cases[] = {
        {"www.quorbis.test/cgi-bin/submit", 0, 3, "www.quorbis.test", "/cgi-bin/submit", 80,
            "http://www.quorbis.test/cgi-bin/submit"},
        {"gateway.test", 0, 3, "gateway.test", "/", 80, "http://gateway.test"},
        {"HTTPS://Secure.test:8443/a%20b%41?q=%41 b", 1, 4, "Secure.test", "/a%20bA?q=%41 b", 8443,
            "HTTPS://Secure.test:8443/a%20bA?q=%41 b"},
        {"ftp://files.test/pub", 0, 1, "files.test", "/pub", 21, "ftp://files.test/pub"},
        {"gopher://hole.test/", 0, 2, "hole.test", "/", 70, "gopher://hole.test/"},
        {"Www.upper.test", 0, 3, "Www.upper.test", "/", 80, "http://Www.upper.test"},
        {"mailto:someone", 2, -1, nullptr, nullptr, 0xFFFF, "http://mailto:someone"},
    };
    for (const auto& c : cases) {
        wininet_url url(*table, c.text);
        EXPECT_EQ(url.kind(), c.kind) << c.text;
        EXPECT_EQ(url.scheme(), c.scheme) << c.text;
        EXPECT_EQ(url.host().value_or("(none)"), c.host ? c.host : "(none)") << c.text;
        EXPECT_EQ(url.path().value_or("(none)"), c.path ? c.path : "(none)") << c.text;
        EXPECT_EQ(url.port(), c.port) << c.text;
        EXPECT_EQ(url.text(), c.canonical) << c.text;
    }
    for (const char* blank : {"", static_cast<const char*>(nullptr)}) {
        wininet_url unset(*table, blank);
        EXPECT_EQ(dump_of(unset), "\n\tInet Scheme     =-1\n\tTarget  Host    =\n\tTarget Object Path = "
                                  "\n\tServer type is Generic(http)\n\tPort #          =65535");
    }
    EXPECT_EQ(dump_of(wininet_url(*table, "https://a.test/x")),
        "https://a.test/x\n\tInet Scheme     =4\n\tTarget  Host    =a.test\n\tTarget Object Path = /x"
        "\n\tServer type is Secured(https)\n\tPort #          =443");
    EXPECT_NE(dump_of(wininet_url(*table, "http://a.test/x")).find("Generic(http)"), std::string::npos);
}

TEST(WininetUrl, AppendJoinsWithExactlyOneSlash)
{
    auto table = wininet_table();
    for (const char* base : {"http://a.test/cgi-bin", "http://a.test/cgi-bin/"}) {
        for (const char* relative : {"submit", "/submit"}) {
            wininet_url url(*table, base);
            url.append(relative);
            EXPECT_EQ(url.text(), "http://a.test/cgi-bin/submit") << base << " + " << relative;
            EXPECT_EQ(url.path().value_or(""), "/cgi-bin/submit");
        }
    }
    wininet_url url(*table, "http://a.test/x");
    url.append("");
    url.append(nullptr);
    EXPECT_EQ(url.text(), "http://a.test/x");
    wininet_url unset(*table);
    unset.append("b.test/y");
    EXPECT_EQ(unset.text(), "http://b.test/y");
    wininet_url copy = url;
    url = "https://c.test";
    EXPECT_EQ(copy.text(), "http://a.test/x");
    EXPECT_EQ(url.kind(), 1);
}

TEST(WininetHandle, TheLastHolderClosesOnceAndNullIsNeverClosed)
{
    closing_recorder closer;
    {
        wininet_handle first(raw(7), &closer);
        {
            wininet_handle second = first;
            EXPECT_EQ(first.use_count(), 2u);
        }
        EXPECT_TRUE(closer.closed.empty());
        wininet_handle third;
        third = first;
        third.assign(raw(7));
        EXPECT_EQ(third.use_count(), 2u) << "the handle it holds already changes nothing";
        third.assign(raw(8));
        EXPECT_EQ(first.use_count(), 1u);
    }
    EXPECT_EQ(closer.closed, (std::vector<hinternet> {raw(8), raw(7)}));
    closer.closed.clear();
    {
        wininet_handle null_handle(nullptr, &closer);
        wininet_handle copy = null_handle;
        EXPECT_TRUE(copy.empty());
    }
    EXPECT_TRUE(closer.closed.empty());
}

TEST(SyncWininetInterface, AMissingLibraryOrEntryIsNamed)
{
    platform::library::library_table empty;
    try {
        sync_wininet_interface wininet(empty);
        ADD_FAILURE() << "bound without WININET";
    } catch (const wininet_dll_failure& e) {
        EXPECT_STREQ(e.what(), "Missing DLL: WININET");
        EXPECT_EQ(e.system_error, 126u);
    }
    try {
        wininet_url url(empty, "http://a.test/");
        ADD_FAILURE() << "cracked without WININET";
    } catch (const wininet_dll_failure& e) {
        EXPECT_STREQ(e.what(), "Missing DLL: WININET");
    }
    for (const char* entry : {"InternetCloseHandle", "InternetOpenUrlA", "HttpSendRequestExA", "InternetCrackUrlA"}) {
        auto table = wininet_table();
        auto trimmed = std::make_shared<platform::library::module>(*table->load("WININET"));
        trimmed->remove(entry);
        table->add("WININET", trimmed);
        try {
            if (std::string(entry) == "InternetCrackUrlA")
                wininet_url url(*table, "http://a.test/");
            else
                sync_wininet_interface wininet(*table);
            ADD_FAILURE() << "bound without " << entry;
        } catch (const wininet_dll_failure& e) {
            EXPECT_EQ(e.what(), std::string("Missing DLL entry: ") + entry);
            EXPECT_EQ(e.system_error, 127u);
        }
    }
}

TEST(SyncWininetInterface, BrowserVersionIsMinusOneWithoutTheShellLibrary)
{
    auto table = wininet_table();
    std::int32_t major = 5;
    std::int32_t minor = 5;
    EXPECT_EQ(get_ie_version(*table, major, minor), 0x80004005u);
    EXPECT_EQ(major, 0);
    EXPECT_EQ(minor, 0);
    sync_wininet_interface wininet(*table);
    auto session = wininet.open("agent", open_type_direct, nullptr, nullptr, 0);
    EXPECT_FALSE(session.empty()) << "opening goes on";
    EXPECT_EQ(wininet.browser_major(), -1);
    EXPECT_EQ(wininet.browser_minor(), -1);

    auto shell = std::make_shared<platform::library::module>();
    shell->add<DllGetVersion>("DllGetVersion", [](dll_version_info* info) -> std::uint32_t {
        if (info->size != 20)
            return 0x80070057;
        info->major = 6;
        info->minor = 2;
        return 0;
    });
    table->add("shdocvw.dll", shell);
    EXPECT_EQ(get_ie_version(*table, major, minor), 0u);
    EXPECT_EQ(major, 6);
    EXPECT_EQ(minor, 2);
}

TEST(SyncWininetInterface, AFailedCallRaisesTheLayersTextAndCode)
{
    auto scripted = std::make_shared<platform::testing::scripted_internet>();
    auto table = wininet_table(scripted);
    sync_wininet_interface wininet(*table);
    {
        auto session = wininet.open("Veltrane Wizard", open_type_preconfig, nullptr, nullptr, 0);
        auto connection = wininet.connect(session, "site.test", 80, nullptr, nullptr, service_http, 0, 0);
        auto request = wininet.openRequest(connection, "POST", "/cgi-bin/form_login", "HTTP/1.0", nullptr, nullptr,
            flag_reload, 0);
        scripted->fail_next("send_request", error_internet_cannot_connect);
        EXPECT_EQ(wininet.sendRequest(request, "", 0, "a=1", 3), 0);
        try {
            wininet.raiseLastResponse();
        } catch (const http_winapi_exception& e) {
            EXPECT_EQ(e.error, error_internet_cannot_connect);
            EXPECT_STREQ(e.what(), "scripted failure of send_request");
        }
        EXPECT_EQ(wininet.sendRequest(request, "", 0, "a=1", 3), 1);
        char status[16] = {};
        DWORD length = sizeof status;
        EXPECT_EQ(wininet.queryInfo(request, query_status_code, status, &length, nullptr), 1);
        EXPECT_STREQ(status, "200");
        auto empty_host = wininet.connect(session, "", 80, nullptr, nullptr, service_http, 0, 0);
        EXPECT_TRUE(empty_host.empty());
        EXPECT_EQ(platform::inet::last_error(), error_internet_invalid_url);
        EXPECT_EQ(scripted->open_handles(), 3u);
    }
    EXPECT_EQ(scripted->open_handles(), 0u) << "each handle closed by its last holder";
    ASSERT_EQ(scripted->requests().size(), 1u);
    EXPECT_EQ(scripted->requests()[0].body, "a=1");
}

#include "editing/site/page_loader.h"

#include "core/url/file_url.h"
#include "html/url_loader.h"
#include "platform/threads/thread_queue.h"
#include "platform/testing/recording_sink.h"
#include "platform/testing/test_services.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <arpa/inet.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace editing::testing {
namespace {

using namespace html;

// Answers each URL with scripted bytes or a failure; some never answer.
struct scripted_loader : url_loader {
    explicit scripted_loader(ui_queue& q) : queue(q) { }
    void fetch(std::string_view url, done finished) override
    {
        std::string key(url);
        fetched.push_back(key);
        if (never.count(key))
            return;
        if (before.count(key))
            queue.post(before[key]);
        auto page = pages.find(key);
        hresult status = page == pages.end() ? E_FAIL : S_OK;
        std::string bytes = page == pages.end() ? std::string() : page->second;
        queue.post([finished, status, bytes] { finished(status, bytes); });
    }
    ui_queue& queue;
    std::map<std::string, std::string> pages;
    std::map<std::string, std::function<void()>> before; // runs on the queue ahead of the answer
    std::set<std::string> never;
    std::vector<std::string> fetched;
};

struct page_loader : ::testing::Test {
    page_loader()
    {
        loader = std::make_shared<scripted_loader>(queue);
    }
    page_services services(bool scripted = true)
    {
        return page_services {queue, sink, platform_services.services.strings, platform::testing::share_folder() + "/talverin",
            platform_services.services.locations.temp, scripted ? loader : nullptr};
    }
    std::string write(const std::string& name, std::string_view bytes)
    {
        std::string path = platform_services.root.file(name);
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

    platform::testing::test_services platform_services;
    manual_ui_queue queue;
    platform::testing::recording_sink sink;
    std::shared_ptr<scripted_loader> loader;
};

TEST_F(page_loader, scheme_numbers_need_two_letters)
{
    const std::pair<const char*, int> cases[] = {
        {"ftp://h/x", 1}, {"GOPHER://h", 2}, {"http://h/", 3}, {"Https://h/", 4}, {"file:///a/b.htm", 5},
        {"news:x", 6}, {"mailto:a@b", 7}, {"socks://h", 8}, {"res://x/185", -1}, {"C:\\page.htm", -1},
        {"/x/page.htm", -1}, {"", -1}, {"h1tp://x", -1},
    };
    for (auto& [url, number] : cases)
        EXPECT_EQ(url_scheme_number(url), number) << url;
}

TEST_F(page_loader, mailto_fails_without_loading)
{
    auto s = services();
    CPgLoader l(s);
    ASSERT_EQ(l.Load("mailto:someone@example.org"), S_OK);
    EXPECT_EQ(l.WaitComplete(), E_FAIL);
    std::string text = "untouched";
    EXPECT_EQ(get_page_text(s, "mailto:someone@example.org", text), -1);
    EXPECT_EQ(text, "untouched");
    EXPECT_TRUE(loader->fetched.empty());
}

TEST_F(page_loader, real_files_load_by_file_url_even_with_odd_names)
{
    std::string path = write("my page #2 100%.htm", "<html><body><p>Hello</p><p>there</p></body></html>");
    std::string text;
    ASSERT_EQ(get_page_text(services(false), core::make_file_url(path), text), 0);
    EXPECT_EQ(text, "Hello\r\n\r\nthere");
    std::string empty_page = write("empty.htm", "<html><body>  </body></html>");
    ASSERT_EQ(get_page_text_copy(services(false), core::make_file_url(empty_page), text), 0);
    EXPECT_EQ(text, "(empty)");
    ASSERT_EQ(get_page_text(services(false), path, text), 0) << "a plain path loads as a file";
    EXPECT_EQ(text, "Hello\r\n\r\nthere");
    auto texts = sink.texts();
    EXPECT_NE(std::find(texts.begin(), texts.end(), "OnChanged: readyState = Complete\n"), texts.end());
}

TEST_F(page_loader, a_quit_ends_the_wait_and_stays_queued)
{
    loader->pages["http://h/page"] = "<p>x</p>";
    queue.post_quit(7);
    std::string text = "untouched";
    EXPECT_EQ(get_page_text(services(), "http://h/page", text), -1);
    EXPECT_EQ(text, "untouched");
    EXPECT_TRUE(queue.quit_pending());
}

TEST_F(page_loader, each_loader_waits_for_its_own_document_and_passes_other_messages_on)
{
    // The thread's real queue: a message for some window arrives while the loaders wait.
    std::vector<platform::threads::message> others;
    thread_ui_queue real_queue {[&](const platform::threads::message& m) { others.push_back(m); }};
    auto real_loader = std::make_shared<scripted_loader>(real_queue);
    page_services s {real_queue, sink, platform_services.services.strings, platform::testing::share_folder() + "/talverin",
        platform_services.services.locations.temp, real_loader};
    real_loader->pages["http://h/outer"] = "<p>outer</p>";
    real_loader->pages["http://h/inner"] = "<p>inner</p>";
    std::string inner_text;
    int inner_result = 1;
    const platform::threads::message stray {7, platform::threads::WM_USER + 600, 3103, 0};
    ASSERT_TRUE(platform::threads::post_message(platform::threads::current_thread_id(), stray));
    real_loader->before["http://h/outer"] = [&] { inner_result = get_page_text(s, "http://h/inner", inner_text); };
    std::string text;
    ASSERT_EQ(get_page_text(s, "http://h/outer", text), 0);
    EXPECT_EQ(text, "outer");
    EXPECT_EQ(inner_result, 0);
    EXPECT_EQ(inner_text, "inner");
    EXPECT_EQ(others, std::vector<platform::threads::message> {stray});
    EXPECT_FALSE(platform::threads::peek(0, 0, false)) << "nothing is left behind in the thread's queue";
}

TEST_F(page_loader, a_stuck_load_ends_at_the_wait_limit)
{
    loader->never.insert("http://h/stuck");
    auto start = queue.now();
    std::string text = "untouched";
    EXPECT_EQ(get_page_text(services(), "http://h/stuck", text), -1);
    EXPECT_EQ(queue.now() - start, std::chrono::seconds(60));
    EXPECT_EQ(text, "untouched");
    CPgLoader l(services());
    l.Load("http://h/stuck");
    EXPECT_EQ(l.WaitComplete(), E_PAGE_TIMEOUT);
}

TEST_F(page_loader, failed_loads_give_minus_one_and_keep_the_text)
{
    std::string html = "<p>kept</p>";
    EXPECT_EQ(get_page_text(services(), "http://h/missing", html), -1);
    EXPECT_EQ(get_page_text(services(false), "gopher://h/x", html), -1);
    EXPECT_EQ(get_page_text(services(false), platform_services.root.file("no-such.htm"), html), -1);
    EXPECT_EQ(get_page_text(services(false), platform_services.root.path(), html), -1);
    EXPECT_EQ(html, "<p>kept</p>");
}

TEST_F(page_loader, reparse_passes_run_through_the_real_loader_and_thread_queue)
{
    thread_ui_queue real_queue {[](const platform::threads::message& m) {
        ADD_FAILURE() << "no message but the loader's own was posted, yet " << m.id << " came";
    }};
    page_services s {real_queue, sink, platform_services.services.strings, platform::testing::share_folder() + "/talverin",
        platform_services.services.locations.temp, nullptr};
    std::string html = "<html><body><p align=center>a</p>\n<p align=center>b</p><!--note--><p>c</p></body></html>";
    ASSERT_EQ(reparse_html_alignment_pass(s, html, 1), 0);
    EXPECT_EQ(html, "<HTML><BODY><P align=\"center\">a<BR>b</P><BR><P>c</P></BODY></HTML>");
    html = "before<p>para</p>after";
    ASSERT_EQ(reparse_html_text_pass(s, html), 0);
    EXPECT_EQ(html, "<HTML><BODY>before<BR><P>para</P><BR>after</BODY></HTML>");
    std::string path = write("real.htm", "<p>real &amp; loaded</p>");
    std::string text;
    ASSERT_EQ(get_page_text(s, core::make_file_url(path), text), 0);
    EXPECT_EQ(text, "real & loaded");
    EXPECT_TRUE(std::filesystem::is_empty(platform_services.services.locations.temp)) << "the pass's page file is gone";
}

TEST_F(page_loader, real_pages_read_through_the_real_loader_and_thread_queue)
{
    std::filesystem::path folder = TALVERIN_HTML_CORPUS;
    if (!std::filesystem::is_directory(folder))
        GTEST_SKIP() << "no corpus at " << folder << " (set TALVERIN_HTML_CORPUS)";
    thread_ui_queue real_queue {[](const platform::threads::message& m) {
        ADD_FAILURE() << "no message but the loader's own was posted, yet " << m.id << " came";
    }};
    page_services s {real_queue, sink, platform_services.services.strings, platform::testing::share_folder() + "/talverin",
        platform_services.services.locations.temp, nullptr};
    std::vector<std::filesystem::path> paths;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        if (entry.path().extension() == ".html")
            paths.push_back(entry.path());
    std::sort(paths.begin(), paths.end());
    paths.resize(std::min<std::size_t>(paths.size(), 4));
    for (const auto& path : paths) {
        std::string text;
        ASSERT_EQ(get_page_text(s, core::make_file_url(path.string()), text), 0) << path;
        EXPECT_FALSE(text.empty());
        std::ifstream in(path, std::ios::binary);
        std::string html((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        ASSERT_EQ(reparse_html_alignment_pass(s, html, 1), 0) << path;
        EXPECT_EQ(html.rfind("<HTML><BODY", 0), 0u) << path;
    }
}

TEST_F(page_loader, http_pages_load_from_a_loopback_server)
{
    int server = ::socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(server, 0);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    ASSERT_EQ(::bind(server, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(server, 1), 0);
    socklen_t size = sizeof address;
    ::getsockname(server, reinterpret_cast<sockaddr*>(&address), &size);
    std::thread serve([server] {
        int client = ::accept(server, nullptr, nullptr);
        if (client < 0)
            return;
        char buffer[4096];
        (void)::recv(client, buffer, sizeof buffer, 0);
        std::string reply = "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\nContent-Length: 19\r\n\r\n<p>from server</p>\n";
        (void)::send(client, reply.data(), reply.size(), 0);
        ::close(client);
    });
    std::string url = "http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/page.htm";
    std::string text;
    int result = get_page_text(services(false), url, text);
    serve.join();
    ::close(server);
    ASSERT_EQ(result, 0);
    EXPECT_EQ(text, "from server");
}

}
}

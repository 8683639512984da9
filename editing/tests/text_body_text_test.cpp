// The text body keeps every word of a page (bench/text_body_check.h): the page rewritten for
// the text body, then its text read through the page loader. Run over our fixtures and over
// the real pages when they are present.
#include "bench/text_body_check.h"
#include "conversion/bodies/aol_conversion.h"
#include "conversion/bodies/page_head.h"
#include "core/markup/page_charset.h"
#include "core/url/file_url.h"
#include "editing/site/page_loader.h"
#include "platform/testing/recording_sink.h"
#include "platform/testing/test_services.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>

namespace {

namespace fs = std::filesystem;

struct text_body_text : ::testing::Test {
    platform::testing::test_services platform_services;
    html::manual_ui_queue queue;
    platform::testing::recording_sink sink;

    editing::page_services services()
    {
        return editing::page_services {queue, sink, platform_services.services.strings,
            platform::testing::share_folder() + "/talverin", platform_services.services.locations.temp, nullptr};
    }

    // The words of the page that the text body lost; empty when none.
    std::vector<std::string> lost_words(const std::string& bytes)
    {
        const std::string page = core::decode_page_bytes(bytes);
        conversion::identity_body_passes passes;
        core::file_path written = conversion::write_text_body_page(page, passes);
        std::string text;
        EXPECT_EQ(editing::get_page_text(services(), core::make_file_url(written.path()), text), 0);
        return bench::lost_texts(page, text);
    }
};

std::vector<fs::path> pages_in(const fs::path& folder)
{
    std::vector<fs::path> pages;
    std::error_code ec;
    if (!fs::is_directory(folder, ec))
        return pages;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().extension() == ".html" || entry.path().extension() == ".htm")
            pages.push_back(entry.path());
    std::sort(pages.begin(), pages.end());
    return pages;
}

std::string read(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST_F(text_body_text, FixturesLoseNoText)
{
    const std::string fixtures[] = {
        "<html><body><p>Dear <b>reader</b>,&nbsp;see <a href=\"http://h/p\">our shop</a> or "
        "<A href=\"mailto:me@x.org\">write</A>.</p><ul><li>one</li><li>two</li></ul>"
        "<table><tr><td>Item</td><td>9.99</td></tr></table><p>x &lt; y &amp; z</p></body></html>",
        "<html><body><a href=\"[pull name=a.zip]\" quorbis_id=pullfile1>Get it</a> "
        "<img quorbis_id=picture1 text_body_alt=\"Logo\" src=x.gif> after</body></html>",
    };
    for (const auto& page : fixtures)
        EXPECT_EQ(lost_words(page), std::vector<std::string> {}) << page;
    for (const auto& page : pages_in(CONVERSION_TEST_DATA))
        EXPECT_EQ(lost_words(read(page)), std::vector<std::string> {}) << page;
}

TEST_F(text_body_text, RealPagesLoseNoText)
{
    const auto pages = pages_in(TALVERIN_HTML_CORPUS);
    if (pages.empty())
        GTEST_SKIP() << "the real pages are absent: " << TALVERIN_HTML_CORPUS;
    for (const auto& page : pages) {
        const auto lost = lost_words(read(page));
        EXPECT_TRUE(lost.empty()) << page << ": " << lost.size() << " texts lost, the first: " << lost.front();
    }
}

// The page loader's passes, as the program gives them to the message-body transforms.
class loader_passes : public conversion::identity_body_passes {
public:
    explicit loader_passes(editing::page_services services) : services_(std::move(services)) { }
    bool reparse_html_text_pass(std::string& text) override
    {
        return editing::reparse_html_text_pass(services_, text) == 0;
    }
    bool reparse_html_alignment_pass(std::string& text, bool flag) override
    {
        return editing::reparse_html_alignment_pass(services_, text, flag ? 1 : 0) == 0;
    }

private:
    editing::page_services services_;
};

TEST_F(text_body_text, AolBodyThroughThePageLoaderKeepsTheMessagesText)
{
    const std::string message = read(fs::path(CONVERSION_TEST_DATA) / "aol_message.html");
    ASSERT_FALSE(message.empty());
    loader_passes passes(services());
    for (bool entities : {false, true}) {
        const std::string body = conversion::convert_for_aol(message, entities, passes, TALVERIN_RESOURCES_DIR "/aoltag.policy.txt");
        EXPECT_EQ(body.find("<table"), std::string::npos) << "tables are flattened";
        EXPECT_EQ(body.find("<TABLE"), std::string::npos);
        EXPECT_EQ(body.find("document.write"), std::string::npos);
        std::string shown;
        for (const std::string& text : bench::libxml2_body_texts(body))
            shown += text;
        EXPECT_EQ(bench::lost_texts(message, shown), std::vector<std::string> {}) << body;
    }
}

}

#include "conversion/form_wrapper/inner_html_cback.h"
#include "conversion/vocabulary/page_forms.h"
#include "conversion/vocabulary/vocabulary_texts.h"
#include "core/markup/ascii.h"
#include "core/util/strings.h"
#include "html/contract/recording_host.h"
#include "html/headless/headless_document.h"
#include "html/ui_queue.h"
#include "tag_collector.h"

#include "platform/testing/memory_store.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using hevtools::markup::html::el;
using hevtools::markup::html::is;

// The page's head with our GENERATOR and ProgId declarations before its end.
std::string stamp(std::string page)
{
    const auto head_end = core::find_ignoring_case(page, "</head>");
    EXPECT_NE(head_end, std::string::npos);
    page.insert(head_end,
        conversion::head_declarations(conversion::generator_content(core::GetProgramVersionString()),
            core::load_string_resource(conversion::progid_string)));
    return page;
}

std::vector<std::string> hrefs_of(const std::string& page)
{
    std::vector<std::string> hrefs;
    for (const auto& tag : vocabulary_testing::tags_of(page)) {
        if (!is(tag, el::A))
            continue;
        for (const auto& [key, value] : tag.attributes) {
            if (key.name == "href")
                hrefs.push_back(value);
        }
    }
    return hrefs;
}

class form_wrapper_document : public ::testing::Test {
protected:
    void SetUp() override
    {
        html::headless_ports ports;
        ports.queue = &queue;
        doc = html::make_headless_document(host, ports);
        host.doc = doc.get();
    }
    // The page as the editing component gives it back after loading it.
    std::string through_document(const std::string& page)
    {
        EXPECT_EQ(doc->load_bytes(page), html::S_OK);
        queue.run_pending();
        return doc->html();
    }

    platform::testing::memory_store store;
    platform::registry::profile profile {store, "Software\\Holvane\\Talverin"};
    conversion::form_settings settings {profile, "forms.test"};
    html::manual_ui_queue queue;
    html::contract::recording_host host;
    std::unique_ptr<html::document> doc;
};

TEST_F(form_wrapper_document, HrefsStayByteIdenticalOverFiveCycles)
{
    const std::string page = "<html><head><title>t</title></head><body><p>"
                             "<a href=\"http://x.test/a?x=1&y=2\">a</a> <a href=\"http://x.test/&amp;\">b</a> "
                             "<a href=\"/q?&copy=2\">c</a> <a href=\"/r?&#38;s\">d</a></p></body></html>";
    std::vector<std::string> first;
    std::string current = page;
    for (int cycle = 0; cycle < 5; ++cycle) {
        current = conversion::copy_page_through_form_wrapper(through_document(current), {}, settings);
        const auto hrefs = hrefs_of(current);
        ASSERT_EQ(hrefs.size(), 4u);
        if (cycle == 0)
            first = hrefs;
        EXPECT_EQ(hrefs, first) << "cycle " << cycle;
    }
}

TEST_F(form_wrapper_document, UsersFormSurvivesWrapperStampAndLoad)
{
    const std::string page = "<html><head><title>t</title></head><body>"
                             "<form action=\"/mine\" name=\"mine\"><input name=\"q\"></form></body></html>";
    auto stored = stamp(conversion::copy_page_through_form_wrapper(through_document(page), {}, settings));
    const auto before = stored;
    EXPECT_FALSE(conversion::read_page_forms(stored));
    EXPECT_EQ(stored, before);
    const auto tags = vocabulary_testing::tags_of(through_document(stored));
    EXPECT_EQ(std::count_if(tags.begin(), tags.end(), [](const core::markup_tag& tag) { return is(tag, el::FORM); }), 1);
}

TEST_F(form_wrapper_document, WrappedPageLoadsAsTheUnwrappedOne)
{
    const std::string page = "<html><head><title>t</title></head><body><p>a&nbsp;b</p><p>c</p></body></html>";
    ASSERT_EQ(profile.write_string("Broadcast", "FormActionURLSecure", "https://s.test/f"), platform::registry::status::ok);
    for (bool secure : {false, true}) {
        const auto plain = conversion::copy_page_through_form_wrapper(page, {}, settings);
        auto wrapped = stamp(conversion::copy_page_through_form_wrapper(page, {false, secure, true, true}, settings));
        EXPECT_TRUE(conversion::read_page_forms(wrapped));
        EXPECT_EQ(wrapped, stamp(plain));
    }
}

}

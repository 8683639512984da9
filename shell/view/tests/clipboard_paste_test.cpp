#include "editing/tests/document_fixture.h"
#include "platform/com/com_error.h"
#include "shell/view/clipboard_paste.h"

#include <gtest/gtest.h>

namespace shell {
namespace {

class scripted_importer : public FragmentImporter {
public:
    std::optional<std::string> scan_tags(std::string_view fragment) override
    {
        seen.emplace_back(fragment);
        return answer;
    }
    std::optional<std::string> answer;
    std::vector<std::string> seen;
};

struct clipboard_paste : editing::testing::document_fixture {
    clipboard_paste()
    {
        html::headless_ports ports;
        ports.queue = &queue;
        ports.clip = clip;
        doc = html::make_headless_document(host, ports);
    }
    void caret_after_a()
    {
        load("<p>ab</p>");
        auto range = doc->selection()->create_range();
        range->move_to_element_text(doc->body());
        range->collapse(true);
        range->move_start("character", 1);
        range->select();
    }
    std::shared_ptr<html::clipboard> clip = std::make_shared<html::clipboard>();
};

TEST_F(clipboard_paste, the_importers_fragment_is_the_only_format_and_is_what_pastes)
{
    clip->set(html::html_clipboard_format, html::make_html_format("<img src=\"x.gif\">"));
    clip->set(html::text_clipboard_format, "x");
    scripted_importer importer;
    importer.answer = "<img src=\"x.gif\" quorbis_id=\"picture1\">";
    caret_after_a();
    HandlePaste(pair(), *clip, &importer);
    EXPECT_EQ(importer.seen, std::vector<std::string> {"<img src=\"x.gif\">"});
    EXPECT_FALSE(clip->get(html::text_clipboard_format));
    std::string fragment;
    ASSERT_TRUE(html::extract_fragment(*clip->get(html::html_clipboard_format), fragment));
    EXPECT_EQ(fragment, *importer.answer);
    EXPECT_EQ(body_html(), "<P>a<IMG src=\"x.gif\" quorbis_id=\"picture1\">b</P>");
}

TEST_F(clipboard_paste, without_a_rewrite_the_clipboard_stays_and_the_paste_runs)
{
    struct sample {
        const char* name;
        std::optional<std::string> formatted;
        bool importer;
        std::optional<std::string> answer;
        const char* body;
    };
    const sample samples[] = {
        {"text only", std::nullopt, true, "<b>no</b>", "<P>aplainb</P>"},
        {"no importer", html::make_html_format("<i>i</i>"), false, std::nullopt, "<P>a<I>i</I>b</P>"},
        {"scan failed", html::make_html_format("<i>i</i>"), true, std::nullopt, "<P>a<I>i</I>b</P>"},
        {"two-line header", std::string("Version:0.9\r\nStartHTML:1\r\n<i>i</i>"), true, "<b>no</b>", "<P>aplainb</P>"},
    };
    for (const sample& s : samples) {
        clip->clear();
        if (s.formatted)
            clip->set(html::html_clipboard_format, *s.formatted);
        clip->set(html::text_clipboard_format, "plain");
        scripted_importer importer;
        importer.answer = s.answer;
        caret_after_a();
        HandlePaste(pair(), *clip, s.importer ? &importer : nullptr);
        EXPECT_EQ(body_html(), s.body) << s.name;
        EXPECT_EQ(clip->get(html::text_clipboard_format), std::optional<std::string>("plain")) << s.name;
        EXPECT_EQ(clip->get(html::html_clipboard_format), s.formatted) << s.name;
    }
}

TEST_F(clipboard_paste, a_failing_paste_raises)
{
    caret_after_a();
    EXPECT_THROW(HandlePaste(pair(), *clip, nullptr), platform::com::com_error);
    EXPECT_THROW(HandlePaste(editing::document_pair {}, *clip, nullptr), platform::com::com_error);
}

}
}

#include "conversion/aol_tag_dictionary.h"
#include "conversion/aol_variables.h"
#include "html_lite_fixture.h"

#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>

namespace {

using hevtools::markup::html::el;
using hevtools::markup::html::element;

const std::string resources = TALVERIN_RESOURCES_DIR;
const std::string data = CONVERSION_TEST_DATA;

std::string read(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// What a reader sees of a converted body: its tags by name ("/B" for an end tag) and its text.
class reader_view : public hevtools::markup::null_parser_callback {
public:
    bool on_comment(std::string&, std::size_t) override
    {
        tags.push_back("!--");
        return true;
    }
    bool on_empty_tag(core::markup_tag& tag, std::size_t) override { return add(tag); }
    bool on_start_tag(core::markup_tag& tag, std::size_t) override { return add(tag); }
    bool on_end_tag(core::markup_tag& tag, std::size_t) override { return add(tag); }
    bool on_text(std::string& text, bool, std::size_t) override
    {
        if (skipping_ == 0)
            this->text += text;
        return true;
    }

    std::vector<std::string> tags;
    std::string text;
    bool skip_hidden_content = false;

private:
    bool add(const core::markup_tag& tag)
    {
        tags.push_back((tag.end ? "/" : "") + tag.name);
        if (skip_hidden_content && (hevtools::markup::html::is(tag, el::SCRIPT) || hevtools::markup::html::is(tag, el::STYLE)
                                       || hevtools::markup::html::is(tag, el::TITLE)))
            skipping_ += tag.kind == core::markup_tag::end_tag ? -1 : 1;
        return true;
    }
    int skipping_ = 0;
};

reader_view view_of(const std::string& html, bool skip_hidden_content)
{
    reader_view view;
    view.skip_hidden_content = skip_hidden_content;
    html_lite_testing::tokenize(html, view);
    return view;
}

// The visible characters of a text, "&nbsp;" counted as a blank.
std::string visible(std::string text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text.compare(i, 6, "&nbsp;") == 0) {
            i += 5;
            continue;
        }
        if (text[i] != ' ' && text[i] != '\t' && text[i] != '\r' && text[i] != '\n')
            out += text[i];
    }
    return out;
}

bool is_subsequence(const std::string& part, const std::string& whole)
{
    std::size_t at = 0;
    for (char c : part) {
        at = whole.find(c, at);
        if (at == std::string::npos)
            return false;
        ++at;
    }
    return true;
}

std::size_t count(const std::string& text, const std::string& what)
{
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

}

TEST(html_lite_golden, ShippedPolicyGivesTheReviewedBodyForEachVariableSet)
{
    const std::string policy = read(resources + "/aoltag.policy.txt");
    const std::string body = read(data + "/aol_message.html");
    ASSERT_FALSE(policy.empty());
    ASSERT_FALSE(body.empty());
    conversion::CDictionary dictionary;
    ASSERT_TRUE(dictionary.Load(resources + "/aoltags.txt"));

    for (bool entities : {false, true}) {
        const std::string golden_name = entities ? "aol_message.entities.html" : "aol_message.plain.html";
        const std::string out = html_lite_testing::convert(policy, body, conversion::aol_policy_variables(entities), " ");
        const std::string golden = read(data + "/" + golden_name);
        EXPECT_EQ(out, golden) << golden_name;
        if (out != golden) {
            // The output to review and, once it is right, to copy over the golden file.
            const char* tmp = std::getenv("TMPDIR");
            std::ofstream(std::string(tmp ? tmp : "/tmp") + "/" + golden_name, std::ios::binary) << out;
        }

        const reader_view seen = view_of(out, false);
        for (const std::string& tag : seen.tags)
            EXPECT_TRUE(dictionary.Find(tag)) << golden_name << ": " << tag;
        // Escaped markup stays escaped: no new "<" in text, every "&lt;" kept.
        EXPECT_EQ(count(out, "&lt;b&gt;"), 1u) << golden_name;
        EXPECT_EQ(count(seen.text, "<"), 0u) << golden_name;
        // Every visible character of the input survives, in order, and the hidden ones do not.
        const reader_view input = view_of(body, true);
        EXPECT_TRUE(is_subsequence(visible(input.text), visible(seen.text))) << golden_name;
        for (const char* hidden : {"font-family", "document.write"})
            EXPECT_EQ(out.find(hidden), std::string::npos) << golden_name << ": " << hidden;
        EXPECT_EQ(count(out, "Spring offers"), 1u) << golden_name;  // the title's copy is gone
    }
}

TEST(html_lite_lint, ShippedPolicyAndTagListAgree)
{
    html_lite::preprocessor preprocessor(nullptr, {});
    std::ifstream policy(resources + "/aoltag.policy.txt");
    ASSERT_TRUE(policy);
    html_lite::load_rules(preprocessor, policy);
    conversion::CDictionary dictionary;
    ASSERT_TRUE(dictionary.Load(resources + "/aoltags.txt"));
    ASSERT_FALSE(dictionary.entries().empty());

    const auto& rules = preprocessor.tag_rules();
    const auto& html = hevtools::markup::html::html_dtd();
    for (const core::CDictHTMLTag& entry : dictionary.entries()) {
        std::string name = entry.GetName();
        if (!name.empty() && name[0] == '/')
            name.erase(0, 1);
        EXPECT_EQ(rules.count(html.find_element(name)), 1u) << "no TAG rule for " << entry.GetName();
    }
    for (const auto& [element, rule] : rules)
        EXPECT_NE(element, &hevtools::markup::html::unknown_element) << "a TAG rule names an unknown element";

    std::set<std::string> copied_from_attributes;
    for (const auto& [element, rule] : rules)
        for (const html_lite::tag_action& action : rule.actions)
            if (action.type_is_set() && action.entity_is_attribute())
                copied_from_attributes.insert(action.what());

    auto check_action = [&](const html_lite::action_info& action, const std::string& where) {
        const char letter = action.type_letter();
        if (letter == 'p' || letter == 'i' || action.type_is_set()) {
            EXPECT_FALSE(action.when().empty()) << where << ": " << action.type() << " without when";
        }
        if (action.type_is_sed()) {
            EXPECT_EQ(preprocessor.sed_commands().count(action.what()), 1u) << where << ": undefined sed " << action.what();
        }
        if (letter == 'p') {
            EXPECT_EQ(copied_from_attributes.count(action.what()), 0u) << where << ": prints document text " << action.what();
        }
        if (letter == 'r' && action.value_names_variable()) {
            for (const char* entity : {"#lt", "#gt", "#amp"})
                EXPECT_NE(action.value(), entity) << where << ": text replaced by markup";
        }
    };
    for (const auto& [element, rule] : rules)
        for (const html_lite::tag_action& action : rule.actions)
            check_action(action, std::string(element->name));
    for (const html_lite::text_action& action : preprocessor.text_rules().actions)
        check_action(action, "TEXT");

    // Comments and tags without a rule are dropped.
    EXPECT_EQ(preprocessor.comment_policy().lookup(html_lite::any_items), html_lite::stripout);
    EXPECT_EQ(preprocessor.tag_policy().lookup(html_lite::unknown_items), html_lite::stripout);
}

TEST(html_lite_preformatted, MarkupInsidePreIsFilteredAsOutside)
{
    const std::string policy = read(resources + "/aoltag.policy.txt");
    ASSERT_FALSE(policy.empty());
    // Tags the policy keeps, renames, turns into line breaks or drops, and names it does not know.
    const char* names[] = {"a", "B", "i", "FONT", "p", "br", "u", "em", "h4", "div", "hr", "td", "li", "ul", "code",
        "span", "tt", "input", "img", "script", "style", "title", "iframe", "object", "form", "blink", "o:p"};
    const char* attributes[] = {"", " href=h.htm color=red face=x size=2 align=center onclick=x() style=\"a:b\"",
        " type=checkbox checked"};
    for (bool entities : {false, true}) {
        const auto variables = conversion::aol_policy_variables(entities);
        for (const char* name : names) {
            for (const char* attribute : attributes) {
                const std::string inner = std::string("x <") + name + attribute + ">y</" + name + "> z";
                const std::string outside = html_lite_testing::convert(policy, inner, variables);
                const std::string inside = html_lite_testing::convert(policy, "<pre>" + inner + "</pre>", variables);
                EXPECT_EQ(view_of(inside, false).tags, view_of(outside, false).tags) << inner;
                EXPECT_EQ(inside, outside) << inner;
            }
        }
    }
    const std::pair<std::string, std::string> rows[] = {
        {"<pre><code>x</code></pre>", "x"},
        {"<pre><script>alert(1)</script></pre>", ""},
        {"<pre><input type=checkbox checked></pre>", ""},
        {"<pre>a<pre><b>b</b></pre>c</pre>", "a<b>b</b>c"},
        {"<pre>line 1\r\n\r\n  line 3 <i>x</i>\r\n\tend</pre>", "line 1\r\n\r\n  line 3 <i>x</i>\r\n\tend"},
        {"<pre>if (a < b && c > d) x = 1;</pre>", "if (a < b && c > d) x = 1;"},
    };
    for (const auto& [body, expected] : rows)
        EXPECT_EQ(html_lite_testing::convert(policy, body, conversion::aol_policy_variables(false)), expected) << body;
}

TEST(html_lite_preformatted, PreContentPassesAsWrittenWhereNoRuleTouchesMarkup)
{
    const std::string body = "<pre><B CLASS=x>a</B> <!-- c --></pre>";
    EXPECT_EQ(html_lite_testing::convert("", body), html_lite_testing::copy_only(body));
    EXPECT_EQ(html_lite_testing::convert("<POLICY entity=comment type=any action=stripout>", body), "<pre><B class=x>a</B> </pre>");
}

TEST(html_lite_preformatted, FormattedTextActionsStillSeePreText)
{
    // PRE's text, read again as markup, stays formatted; ordinary text stays unformatted.
    const std::string policy = "<TEXT><ACTION type=replace what=a value=F when=formatted>"
                               "<ACTION type=replace what=a value=U when=unformatted></TEXT>";
    EXPECT_EQ(html_lite_testing::convert(policy, "a<pre>a<b>a</b>a</pre>a<script>a</script>"),
        "U<pre>F<b>F</b>F</pre>U<script>F</script>");
}

#include "conversion/form_wrapper/inner_html_cback.h"
#include "html_lite_fixture.h"
#include "tag_collector.h"

#include "platform/testing/memory_store.h"

#include <gtest/gtest.h>

namespace {

using conversion::copy_page_through_form_wrapper;
using conversion::form_wrapper_flags;

constexpr const char* application_key = "Software\\Holvane\\Talverin";
const std::string plain_form = "<form method=\"POST\" action=\"http://forms.test/cgi-bin/qbform\" name=\"quorbis_form\" >";

// A store whose every read fails as an unusable file would.
class unusable_store final : public platform::registry::store {
protected:
    platform::registry::status inspect(const std::function<void(const platform::registry::registry_tree&)>&) override
    {
        return platform::registry::status::store_unusable;
    }
    platform::registry::status change(const std::function<platform::registry::status(platform::registry::registry_tree&)>&) override
    {
        return platform::registry::status::store_unusable;
    }
};

class form_wrapper : public ::testing::Test {
protected:
    platform::testing::memory_store store;
    platform::registry::profile profile {store, application_key};
    conversion::form_settings settings {profile, "forms.test"};

    void set(const std::string& name, const std::string& value)
    {
        ASSERT_EQ(profile.write_string("Broadcast", name, value), platform::registry::status::ok);
    }
    std::string wrapped(std::string_view page, form_wrapper_flags flags = {false, false, true, false})
    {
        return copy_page_through_form_wrapper(page, flags, settings);
    }
    std::string unwrapped(std::string_view page) { return wrapped(page, {}); }
};

TEST_F(form_wrapper, WrapsTheBodyContentOnce)
{
    const struct {
        const char* page;
        std::string result;
    } cases[] = {
        {"<html><body><p>Hi</p></body></html>", "<html><body>" + plain_form + "<p>Hi</p></form></body></html>"},
        {"<html><body>a<p>b<p>c</body></html>", "<html><body>" + plain_form + "a<p>b<p>c</form></body></html>"},
        {"<p>a</p><p>b</p></html>", plain_form + "<p>a</p><p>b</p></form></html>"},
        {"<p>a</p>", plain_form + "<p>a</p></form>"},
        {"<html><body>a", "<html><body>" + plain_form + "a</form>"},
        {"<body><pre>a</pre>b", "<body>" + plain_form + "<pre>a</pre>b</form>"},
        {"<body><pre>a</pre:", "<body>" + plain_form + "<pre>a</pre:"},
        {"<body>a<b", "<body>" + plain_form + "a<b"},
        {"<html><head><title>t</title></head></html>", "<html><head><title>t</title></head></html>"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.page);
        EXPECT_EQ(wrapped(c.page), c.result);
    }
}

TEST_F(form_wrapper, UnwrappedCopyChangesOnlyAmpersandsInLinksAndLoneSpaces)
{
    const std::string page = "<html><body><p title=\"a&b\">x&nbsp;y &amp; <a href=\"q?a=1&b=2\" title=\"&copy=2\">z</a></p>"
                             "<img src=\"i?a&b\"></body></html>";
    EXPECT_EQ(unwrapped(page), "<html><body><p title=\"a&b\">x y &amp; <a href=\"q?a=1&amp;b=2\" title=\"&amp;copy=2\">z</a></p>"
                               "<img src=\"i?a&b\"></body></html>");
}

TEST_F(form_wrapper, AmpersandsInLinksAreEscapedOnlyOnce)
{
    for (const char* href : {"a?x=1&y=2", "&amp;", "&copy=2", "&#38;", "&#x26;&"}) {
        SCOPED_TRACE(href);
        std::string page = std::string("<body><a href=\"") + href + "\">l</a></body>";
        const auto once = unwrapped(page);
        std::string again = once;
        for (int pass = 0; pass < 4; ++pass)
            again = unwrapped(again);
        EXPECT_EQ(again, once);
    }
}

TEST_F(form_wrapper, LoneNonBreakingSpacesBecomeSpaces)
{
    const struct {
        const char* text;
        const char* result;
    } cases[] = {
        {"a&nbsp;b", "a b"},
        {"a&nbsp;b&nbsp;c", "a b c"},
        {"a&nbsp;&nbsp;b", "a&nbsp;&nbsp;b"},
        {"a&nbsp;&nbsp;&nbsp;b", "a&nbsp;&nbsp;&nbsp;b"},
        {"a &nbsp;b", "a &nbsp;b"},
        {"a&nbsp; b", "a&nbsp; b"},
        {"a\n&nbsp;b", "a\n&nbsp;b"},
        {"a&nbsp;\tb", "a&nbsp;\tb"},
        {"&nbsp;b", "&nbsp;b"},
        {"a&nbsp;", "a&nbsp;"},
        {"&nbsp;", "&nbsp;"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        std::string replaced;
        conversion::replace_lone_nbsp(c.text, replaced);
        EXPECT_EQ(replaced, c.result);
        EXPECT_EQ(unwrapped(std::string("<p>") + c.text + "</p>"), std::string("<p>") + c.result + "</p>");
    }
    EXPECT_EQ(unwrapped(" "), " ");
    EXPECT_EQ(unwrapped("<pre>a&nbsp;b</pre><script>x&nbsp;y</script>"), "<pre>a&nbsp;b</pre><script>x&nbsp;y</script>");
}

TEST_F(form_wrapper, ActionAddressFromTheSettings)
{
    EXPECT_EQ(conversion::form_action_url(settings, false), "http://forms.test/cgi-bin/qbform");
    EXPECT_EQ(conversion::form_action_url(settings, true), "https://forms.test/cgi-bin/qbform");
    set("FormActionURL", "");
    EXPECT_EQ(conversion::form_action_url(settings, false), "http://forms.test/cgi-bin/qbform");
    set("FormActionURL", "http://plain.test/f");
    set("FormActionURLSecure", "https://secure.test/f");
    EXPECT_EQ(conversion::form_action_url(settings, false), "http://plain.test/f");
    EXPECT_EQ(conversion::form_action_url(settings, true), "https://secure.test/f");
    ASSERT_EQ(profile.write_int("broadcast", "FormActionURL", 7), platform::registry::status::ok);
    EXPECT_EQ(conversion::form_action_url(settings, false), "http://forms.test/cgi-bin/qbform");
}

TEST_F(form_wrapper, SecureAndValidationShapeTheWrapper)
{
    set("FormActionURLSecure", "https://secure.test/f");
    EXPECT_EQ(wrapped("<body></body>", {false, true, true, true}),
        "<body><form method=\"POST\" action=\"https://secure.test/f\" name=\"quorbis_form\" "
        "onsubmit=\"return(quorbis_form_validation());\" ></form></body>");
}

TEST_F(form_wrapper, AQuoteInTheActionStaysInsideIt)
{
    set("FormActionURL", "http://x/\" onsubmit=\"evil()");
    const auto page = wrapped("<body></body>");
    const auto tags = vocabulary_testing::tags_of(page);
    ASSERT_EQ(tags.size(), 2u);
    EXPECT_EQ(vocabulary_testing::attribute_names(tags[1]), (std::vector<std::string> {"action", "method", "name"}));
    EXPECT_NE(page.find("action=\"http://x/&quot; onsubmit=&quot;evil()\""), std::string::npos);
}

TEST_F(form_wrapper, RegistrationModeIsReadAtEachCall)
{
    EXPECT_FALSE(conversion::is_form_registration_mode(settings));
    const struct {
        const char* value;
        bool on;
    } cases[] = {{"quennet", true}, {"QUENNET", true}, {"Quennet", true}, {"Quennet ", false}, {"", false}, {"other", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        set("FormRegistration", c.value);
        EXPECT_EQ(conversion::is_form_registration_mode(settings), c.on);
    }
}

TEST_F(form_wrapper, AnUnusableStoreReadsAsEmpty)
{
    unusable_store broken;
    platform::registry::profile broken_profile(broken, application_key);
    conversion::form_settings broken_settings {broken_profile, "forms.test"};
    EXPECT_FALSE(conversion::is_form_registration_mode(broken_settings));
    EXPECT_EQ(conversion::form_action_url(broken_settings, true), "https://forms.test/cgi-bin/qbform");
}

TEST_F(form_wrapper, AValueOfAnotherTypeReadsAsMissingAndIsTraced)
{
    ASSERT_EQ(profile.write_int("broadcast", "FormRegistration", 1), platform::registry::status::ok);
    html_lite_testing::trace_capture trace;
    EXPECT_FALSE(conversion::is_form_registration_mode(settings));
    const auto lines = trace.lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("FormRegistration is not a string"), std::string::npos);
}

TEST_F(form_wrapper, HiddenModeIsKeptForTheCaller)
{
    std::string out;
    conversion::inner_html_cback wrapper(out, {true, false, false, false}, settings);
    EXPECT_TRUE(wrapper.hidden_mode());
    wrapper.write_form_wrapper(true);
    EXPECT_TRUE(wrapper.in_form());
    wrapper.finish();
    EXPECT_FALSE(wrapper.in_form());
    EXPECT_EQ(out, plain_form + "</form>");
}

}

#include "conversion/aol_variables.h"
#include "html_lite_fixture.h"

#include <fstream>
#include <gtest/gtest.h>

namespace {

using html_lite_testing::convert;
using html_lite_testing::copy_only;
using html_lite_testing::variable_list;

struct row {
    const char* policy;
    const char* body;
    const char* expected;
    variable_list variables = {};
};

template <std::size_t n>
void check(const row (&rows)[n])
{
    for (const row& r : rows)
        EXPECT_EQ(convert(r.policy, r.body, r.variables), r.expected) << "policy: " << r.policy << "\nbody: " << r.body;
}

const std::string mixed_body = "<html><head><title>T</title><script type='text/javascript'>if (a<b) x(\"</p>\");</script>"
                               "</head><body bgcolor=\"#fff\"><!-- note --><p class=x>a  b\r\n<pre> <i>raw</i>\n</pre>"
                               "<a href='it\"s.htm' title=\"t\">l</a><br></p><!doctype html></body></html>";

}

TEST(html_lite_preprocessor, WithoutRulesTheChainCopiesTheBodyUnchanged)
{
    const std::string expected = copy_only(mixed_body);
    ASSERT_NE(expected.find("<script type='text/javascript'>if (a<b)"), std::string::npos) << expected;
    for (const char* policy : {"", "<!-- only a comment -->", "just text"})
        EXPECT_EQ(convert(policy, mixed_body), expected) << policy;

    std::string out;
    hevtools::markup::copying_parser_callback copy(out);
    html_lite::preprocessor preprocessor(&copy, {});
    std::ifstream missing("/nonexistent/aoltag.policy.txt");
    html_lite::load_rules(preprocessor, missing);
    html_lite_testing::tokenize(mixed_body, preprocessor);
    EXPECT_EQ(out, expected);
}

TEST(html_lite_preprocessor, KindTablesDecideWhatHasNoRule)
{
    check({
        // "any" stripout removes every item of its kind whatever else is set
        {"<POLICY entity=comment type=any action=stripout><POLICY entity=comment type=unknown action=letthrough>",
            "a<!-- x -->b<!--y-->", "ab"},
        {"<POLICY entity=tag type=any action=stripout><TAG name=B></TAG><POLICY entity=tag type=unknown action=letthrough>",
            "<p>a<b>b</b><br>c</p>", "abc"},
        {"<POLICY entity=text type=any action=stripout><TEXT><ACTION type=continue></TEXT>", "<p>a<b>b</b></p>",
            "<p><b></b></p>"},
        // "unknown" stripout drops only tags without a rule
        {"<POLICY entity=tag type=unknown action=stripout><TAG name=B></TAG>", "<p>a<b x=1>b</b><blink>c</blink></p>",
            "a<b x=1>b</b>c"},
        {"<POLICY entity=comment type=unknown action=stripout>", "a<!-- x -->b", "ab"},
        // "continue" passes like letthrough; "listed" and the text table's "unknown" are never read
        {"<POLICY entity=tag type=any action=continue><POLICY entity=comment type=any action=continue>",
            "<i>x</i><!--c-->", "<i>x</i><!--c-->"},
        {"<POLICY entity=tag type=listed action=stripout><POLICY entity=text type=unknown action=stripout>", "<i>x</i>",
            "<i>x</i>"},
    });
}

TEST(html_lite_preprocessor, AttributeRulesCheckStartTagsAndLeaveEndTagsAlone)
{
    check({
        // forbidden: the start tag is dropped, its end tag is handled on its own
        {"<TAG name=A><ATTRIBUTE name=onclick forbidden></TAG>", "<a href=x onclick=y>t</a>", "t</a>"},
        // required with a quoted default: added with its quotes, in attribute order
        {"<TAG name=A><ATTRIBUTE name=href required defvalue=\"http://x/\"></TAG>", "<a name=n>t</a>",
            "<a href=\"http://x/\" name=n>t</a>"},
        // required without default: that start tag goes, the end tag of a kept anchor stays
        {"<TAG name=A><ATTRIBUTE name=href required></TAG>", "<a name=n>t</a> <a href=y>u</a>",
            "t</a> <a href=y>u</a>"},
        // an end tag never receives a default
        {"<TAG name=A><ATTRIBUTE name=href required defvalue=x></TAG>", "<a>t</a>", "<a href=x>t</a>"},
        // "continue" for an attribute drops the whole tag
        {"<TAG name=B><POLICY entity=attribute type=any action=continue></TAG>", "<b x=1>t</b><b>u</b>", "t</b><b>u</b>"},
        // stripout drops only that attribute
        {"<TAG name=FONT><POLICY entity=attribute type=unknown action=stripout><ATTRIBUTE name=color></TAG>",
            "<font color=red face=x size=2>t</font>", "<font color=red>t</font>"},
        {"<TAG name=FONT><POLICY entity=attribute type=unknown action=stripout><ATTRIBUTE name=size>"
         "<ATTRIBUTE name=zz></TAG>",
            "<font a=1 color=red b c=3 size=2 zz=4 d>t</font>", "<font size=2 zz=4>t</font>"},
        // letthrough for an attribute without a rule keeps it
        {"<TAG name=B><POLICY entity=attribute type=unknown action=letthrough></TAG>", "<b id=1 zz>t</b>",
            "<b id=1 zz>t</b>"},
        // listed and unknown fall back to any
        {"<TAG name=FONT><POLICY entity=attribute type=any action=stripout>"
         "<POLICY entity=attribute type=listed action=letthrough><ATTRIBUTE name=color></TAG>",
            "<font color=red size=2>", "<font color=red>"},
        {"<TAG name=FONT><POLICY entity=attribute type=any action=letthrough>"
         "<POLICY entity=attribute type=unknown action=stripout><ATTRIBUTE name=color></TAG>",
            "<font color=red size=2>", "<font color=red>"},
        // a rule for an unknown name applies to every unknown tag
        {"<TAG name=blink><ACTION type=continue></TAG>", "<blink>a</blink><marquee>b</marquee><b>c</b>", "ab<b>c</b>"},
    });
}

TEST(html_lite_preprocessor, WhenConditionsSelectEventsAndVariables)
{
    const variable_list on = {{"#convertDiv", "true"}};
    check({
        {"<TAG name=DIV><ACTION type=print value=X when=onopen&#convertDiv><ACTION type=continue></TAG>",
            "<div>a</div><div>", "XaX", on},
        {"<TAG name=DIV><ACTION type=print value=X when=onopen&#convertDiv><ACTION type=continue></TAG>",
            "<div>a</div>", "a", {{"#convertDiv", ""}}},
        {"<TAG name=BR><ACTION type=print value=S when=OnSimple></TAG>", "a<br>b<b>", "aS<br>b<b>"},
        {"<TAG name=B><ACTION type=print value=C when=onclose></TAG>", "<b>x</b>", "<b>xC</b>"},
        {"<TAG name=B><ACTION type=print value=P when=onpostprocess></TAG>", "<b>x</b>", "<b>Px</b>P"},
        {"<TAG name=B><ACTION type=continue when=onopen><ACTION type=print value=P when=onpostprocess></TAG>", "<b>x</b>",
            "x</b>P"},
        {"<TAG name=B><ACTION type=print value=yes what=#v when=equal></TAG>", "<b>x</b>", "yes<b>yesxyes</b>yes",
            {{"#v", "YES"}}},
        {"<TAG name=B><ACTION type=print value=yes what=#v when=equal></TAG>", "<b>x</b>", "<b>x</b>", {{"#v", "no"}}},
        // "equal" without a variable name drops that item; the rest follows
        {"<TAG name=B><ACTION type=print value=yes when=equal></TAG>", "a<b>x</b>c", "axc"},
        {"<TAG name=B><ACTION type=print value=1 when=onpostprocess><ACTION type=print value=yes when=onpostprocess&equal>"
         "<ACTION type=print value=2 when=onpostprocess></TAG>",
            "<b>x</b>y", "<b>1x</b>1y"},
        // an empty condition never holds
        {"<TAG name=B><ACTION type=print value=E when=onopen&></TAG>", "<b>", "<b>"},
    });
}

TEST(html_lite_preprocessor, TagActionsChangeEmitAndRemember)
{
    const std::string incrementing = "<TAG name=B><ACTION type=increment what=#n value=%s when=onopen>"
                                     "<ACTION type=print entity=variable what=#n when=onopen></TAG>";
    auto increment = [&](const char* step) {
        std::string policy = incrementing;
        return policy.replace(policy.find("%s"), 2, step);
    };
    const std::string by_two = increment("2"), by_default = increment("''"), by_one = increment("1");
    const row rows[] = {
        {"<TAG name=EM><ACTION type=alter value=I></TAG>", "<em>x</em>", "<I>x</I>"},
        {"<TAG name=EM><ACTION type=alter value=''></TAG>", "<em>x</em>", "<em>x</em>"},
        {by_two.c_str(), "<b>", "<b>", {{"#n", ""}}},
        {by_two.c_str(), "<b>", "<b>"},
        {by_two.c_str(), "<b>", "5<b>", {{"#n", "3"}}},
        {by_default.c_str(), "<b><b>", "4<b>5<b>", {{"#n", "3"}}},
        {by_one.c_str(), "<b>", "1<b>", {{"#n", "abc"}}},
        {by_one.c_str(), "<b>", "-6<b>", {{"#n", " -7x"}}},
        {by_one.c_str(), "<b>", "9223372036854775807<b>", {{"#n", "9223372036854775807"}}},
        {by_two.c_str(), "<b>", "-9223372036854775806<b>", {{"#n", "-99999999999999999999"}}},
        // print: the value, or the variable with entity=variable; the events bypass the rules
        {"<TAG name=BR><ACTION type=print entity=Variable what=#nbsp when=onsimple></TAG>", "a<br>", "a <br>",
            conversion::aol_policy_variables(false)},
        {"<TAG name=BR><ACTION type=print entity=variable what=#nbsp when=onsimple></TAG>", "a<br>", "a&nbsp;<br>",
            conversion::aol_policy_variables(true)},
        {"<TAG name=LI><ACTION type=print entity=variable what=#ULprefix when=onopen><ACTION type=continue></TAG>",
            "<li>x", "<br>   *x", conversion::aol_policy_variables(false)},
        {"<TAG name=B><ACTION type=continue></TAG><TAG name=I><ACTION type=print value='<b>' when=onopen></TAG>",
            "<i>x</i><b>y</b>", "<b><i>x</i>y"},
        // reset and set
        {"<TAG name=B><ACTION type=reset what=#v><ACTION type=print entity=variable what=#v></TAG>", "<b>", "<b>",
            {{"#v", "x"}}},
        {"<TAG name=A><ACTION type=set entity=attribute what=#h value=href when=onopen>"
         "<ACTION type=print entity=variable what=#h when=onclose></TAG>",
            "<a href=\"x.htm\">t</a><a>u</a>", "<a href=\"x.htm\">t\"x.htm\"</a><a>uhref</a>"},
        {"<TAG name=A><ACTION type=set what=#h value=href when=onopen>"
         "<ACTION type=print entity=variable what=#h when=onclose></TAG>",
            "<a href=x>t</a>", "<a href=x>thref</a>"},
        // unknown types do nothing
        {"<TAG name=B><ACTION type=frobnicate><ACTION type=shout><ACTION></TAG>", "<b>x</b>", "<b>x</b>"},
        // renaming a raw-text element keeps its content raw and still closes it
        {"<TAG name=PRE><ACTION type=alter value=B></TAG>", "<pre>a<i>b</i></pre><i>c</i>", "<B>a<i>b</i></B><i>c</i>"},
    };
    check(rows);
}

TEST(html_lite_preprocessor, PostPassEndsOnlyTheTagsActionList)
{
    check({
        {"<TAG name=P><ACTION type=continue when=onpostprocess><ACTION type=print value=X when=onpostprocess></TAG>",
            "<p>a</p><p>b</p><p>c</p>", "<p>a</p><p>b</p><p>c</p>"},
    });
}

TEST(html_lite_preprocessor, TextActionsRewriteOrDropText)
{
    check({
        {"<TEXT><ACTION type=replace what=a value=aa></TEXT>", "aaa", "aaaaaa"},
        {"<TEXT><ACTION type=replace what=x value=#v></TEXT>", "axb", "aYb", {{"#v", "Y"}}},
        {"<TEXT><ACTION type=replace what=x value=\"#v\"></TEXT>", "axb", "a#vb", {{"#v", "Y"}}},
        {"<TEXT><ACTION type=replace what=x value=#v></TEXT>", "axb", "ab"},
        {"<TEXT><ACTION type=replace what='' value=z></TEXT>", "abc", "abc"},
        {"<TEXT><ACTION type=replace what=a value=F when=formatted><ACTION type=Replace what=a value=U when=Unformatted>"
         "</TEXT>",
            "a<pre>a</pre>a", "U<pre>F</pre>U"},
        {"<TEXT><ACTION type=continue></TEXT>", "a<b>c</b>", "<b></b>"},
        {"<TEXT><ACTION type=continue what=#skip value=true when=equal></TEXT>", "a<b>c</b>", "a<b>c</b>"},
        {"<TEXT><ACTION type=continue what=#skip value=true when=equal></TEXT>", "a<b>c</b>", "<b></b>",
            {{"#skip", "True"}}},
        {"<TEXT><ACTION type=continue when=equal><ACTION type=replace what=a value=b></TEXT>", "a<b>c</b>", "<b></b>"},
    });
}

TEST(html_lite_preprocessor, ConstructionVariablesLaterPairWins)
{
    html_lite::preprocessor p(nullptr, {{"#a", "1"}, {"#b", "2"}, {"#a", "3"}});
    EXPECT_EQ(p.variables(), (std::map<std::string, std::string> {{"#a", "3"}, {"#b", "2"}}));
    EXPECT_EQ(p.variable("#c"), "");
    EXPECT_EQ(p.variables().count("#c"), 0u);
}

namespace {

// Answers false to the n-th event it sees.
class stopping_receiver : public hevtools::markup::copying_parser_callback {
public:
    stopping_receiver(std::string& out, int stop_at) : copying_parser_callback(out), left_(stop_at) { }
    bool on_text(std::string& text, bool raw, std::size_t position) override
    {
        copying_parser_callback::on_text(text, raw, position);
        return --left_ != 0;
    }

private:
    int left_;
};

}

TEST(html_lite_preprocessor, NextCallbackStopsTheParse)
{
    const struct {
        const char* policy;
        const char* body;
        int stop_at;
        const char* expected;
    } rows[] = {
        {"", "1<i>2</i>3", 2, "1<i>2"},
        {"<TEXT><ACTION type=replace what=a value=b></TEXT>", "a<i>a</i>a", 2, "b<i>b"},
        {"<TAG name=B><ACTION type=print value=X when=onopen></TAG>", "<b>1</b>", 1, "X"},
        {"<TAG name=B><ACTION type=print value=X when=onpostprocess></TAG>", "<b>1</b>2", 1, "<b>X"},
    };
    for (const auto& r : rows) {
        std::string out;
        stopping_receiver next(out, r.stop_at);
        html_lite::preprocessor preprocessor(&next, {});
        std::istringstream in(r.policy);
        html_lite::load_rules(preprocessor, in);
        html_lite_testing::tokenize(r.body, preprocessor);
        EXPECT_EQ(out, r.expected) << r.policy;
    }
}

namespace {

// Copies every event, then scribbles over the tag or text it was handed.
class scribbling_receiver : public hevtools::markup::copying_parser_callback {
public:
    explicit scribbling_receiver(std::string& out) : copying_parser_callback(out) { }
    bool on_empty_tag(core::markup_tag& tag, std::size_t position) override
    {
        return scribble(copying_parser_callback::on_empty_tag(tag, position), tag);
    }
    bool on_start_tag(core::markup_tag& tag, std::size_t position) override
    {
        return scribble(copying_parser_callback::on_start_tag(tag, position), tag);
    }
    bool on_end_tag(core::markup_tag& tag, std::size_t position) override
    {
        return scribble(copying_parser_callback::on_end_tag(tag, position), tag);
    }
    bool on_text(std::string& text, bool raw, std::size_t position) override
    {
        const bool answer = copying_parser_callback::on_text(text, raw, position);
        text = "?";
        return answer;
    }

private:
    static bool scribble(bool answer, core::markup_tag& tag)
    {
        tag.name = "zz";
        tag.element = &hevtools::markup::html::unknown_element;
        tag.attributes.clear();
        return answer;
    }
};

}

TEST(html_lite_preprocessor, RepeatedPrintsHandOnTheSameEventsEachTime)
{
    const std::string counter = "<TAG name=OL><ACTION type=set what=#n value=0 when=onopen><ACTION type=continue></TAG>"
                                "<TAG name=LI><ACTION type=increment what=#n when=onopen>"
                                "<ACTION type=print entity=variable what=#n when=onopen></TAG>";
    const row rows[] = {
        {"<TAG name=B><ACTION type=print value=\"<i class=c>y</i>z\" when=onopen></TAG>", "<b>1</b><b>2</b>",
            "<i class=c>y</i>z<b>1</b><i class=c>y</i>z<b>2</b>"},
        // raw text in the printed markup
        {"<TAG name=B><ACTION type=print value='<pre>a<b>' when=onopen></TAG>", "<b>1<b>2", "<pre>a<b><b>1<pre>a<b><b>2"},
        // more distinct values than one action keeps
        {counter.c_str(), "<ol><li><li><li><li><li><li></ol><ol><li><li></ol>", "1<li>2<li>3<li>4<li>5<li>6<li>1<li>2<li>"},
    };
    check(rows);

    // A receiver that changes what it was handed changes nothing printed later.
    for (const row& r : rows) {
        std::string out;
        scribbling_receiver next(out);
        html_lite::preprocessor preprocessor(&next, {});
        std::istringstream in(r.policy);
        html_lite::load_rules(preprocessor, in);
        html_lite_testing::tokenize(r.body, preprocessor);
        EXPECT_EQ(out, r.expected) << r.policy;
    }

    // A stop inside a repeated print ends the run there.
    std::string out;
    stopping_receiver next(out, 4);
    html_lite::preprocessor preprocessor(&next, {});
    std::istringstream in(rows[0].policy);
    html_lite::load_rules(preprocessor, in);
    html_lite_testing::tokenize(rows[0].body, preprocessor);
    EXPECT_EQ(out, "<i class=c>y</i>z<b>1</b><i class=c>y");
}

TEST(html_lite_preprocessor, SedActionsRewriteTagsAndText)
{
    check({
        {"<SED name=up><-E value='s/<b>/<i>/'></SED><TAG name=B><ACTION type=sed what=up></TAG>", "<b>x</b>", "<i>x</b>"},
        {"<SED name=join><-E value='s/a  b/ok/'></SED><TAG name=B><ACTION type=sed what=join></TAG>", "<b title=\"a\r\nb\">",
            "<b title=\"ok\">"},
        {"<SED name=up><-E value='s/a/A/g'></SED><TEXT><ACTION type=sed what=up></TEXT>", "abca<pre>a</pre>", "AbcA<pre>A</pre>"},
        // a successful run with empty output empties the text and removes the tag
        {"<SED name=quiet><-N><-E value='s/a/b/'></SED><TEXT><ACTION type=sed what=quiet></TEXT>", "xa<b>y</b>", "<b></b>"},
        {"<SED name=quiet><-N><-E value='s/a/b/'></SED><TAG name=B><ACTION type=sed what=quiet></TAG>", "x<b>y</b>", "xy"},
        // in the post pass sed writes after the tag and the parse goes on
        {"<SED name=twice><-E value=p></SED><TAG name=P><ACTION type=sed what=twice when=onpostprocess>"
         "<ACTION type=print value=X when=onpostprocess></TAG>",
            "<p>a</p><p>b</p><p>c</p>",
            "<p><p>\n<p>a</p></p>\n</p><p><p>\n<p>b</p></p>\n</p><p><p>\n<p>c</p></p>\n</p>"},
    });
}

TEST(html_lite_preprocessor, FailedSedKeepsTheItemAndTracesOnce)
{
    platform::testing::temporary_folder folder;
    const std::string written = folder.file("w.txt");
    const std::string defines = "<SED name=bad><-E value='s/a/'></SED><SED name=file><-E value='w " + written + "'></SED>";
    for (const char* name : {"nope", "bad", "file"}) {
        for (const char* place : {"<TEXT><ACTION type=sed", "<TAG name=B><ACTION type=sed when=onopen"}) {
            const std::string policy = defines + place + " what=" + name + "></TAG>";
            html_lite_testing::trace_capture trace;
            EXPECT_EQ(convert(policy, "a<b>"), "a<b>") << policy;
            const auto lines = trace.lines();
            ASSERT_EQ(lines.size(), 1u) << policy << ::testing::PrintToString(lines);
            EXPECT_NE(lines[0].find(std::string("sed command \"") + name + "\" failed with status"), std::string::npos)
                << lines[0];
        }
    }
    EXPECT_FALSE(std::ifstream(written).good());
}

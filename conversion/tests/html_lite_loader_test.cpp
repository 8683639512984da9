#include "html_lite_fixture.h"

#include <gtest/gtest.h>

namespace {

using namespace html_lite;
using hevtools::markup::html::at;
using hevtools::markup::html::el;
using hevtools::markup::html::element;

struct loaded {
    explicit loaded(const std::string& policy)
    {
        std::istringstream in(policy);
        load_rules(target, in);
    }
    preprocessor target {nullptr, {}};
};

const policy_table& table_of(const preprocessor& p, const std::string& entity)
{
    return entity == "comment" ? p.comment_policy() : entity == "tag" ? p.tag_policy() : p.text_policy();
}

}

TEST(html_lite_loader, TopLevelPolicySetsTheEntryOfItsEntityTypeAndAction)
{
    const std::pair<const char*, int> types[] = {{"unknown", 0}, {"ANY", 1}, {"listed", 2}, {"other", 3}, {"", 3}};
    const std::pair<const char*, int> actions[] = {{"letthrough", 0}, {"StripOut", 1}, {"continue", 2}, {"drop", 3}};
    for (const char* entity : {"comment", "tag", "text"}) {
        for (const auto& [type, type_code] : types) {
            for (const auto& [action, action_code] : actions) {
                std::string policy = std::string("<POLICY entity=") + entity + " action=" + action;
                if (*type)
                    policy += std::string(" type=") + type;
                policy += ">";
                loaded l(policy);
                std::array<int, 4> expected {3, 3, 3, 3};
                expected[type_code] = action_code;
                EXPECT_EQ(table_of(l.target, entity).actions, expected) << policy;
                for (const char* other : {"comment", "tag", "text"}) {
                    if (std::string(other) != entity) {
                        EXPECT_EQ(table_of(l.target, other).actions, (std::array<int, 4> {3, 3, 3, 3})) << policy;
                    }
                }
            }
        }
    }
}

TEST(html_lite_loader, WordsThatAreNotThePolicyLanguageChangeNothing)
{
    const char* policies[] = {
        "<POLICY entity=\"tag\" type=any action=stripout>",  // names are used as written
        "<POLICY entity=attribute type=any action=stripout>",  // attribute only inside TAG
        "<POLICY entity=frame type=any action=stripout>",
        "<ACTION type=continue>",  // actions only inside TAG or TEXT
        "<TEXT><POLICY entity=tag type=any action=stripout></TEXT>",
        "<SED name=x><POLICY entity=text type=any action=stripout></SED>",
        "<BLINK><-E value=p><-N></BLINK>",
    };
    for (const char* policy : policies) {
        loaded l(policy);
        for (const char* entity : {"comment", "tag", "text"})
            EXPECT_EQ(table_of(l.target, entity).actions, (std::array<int, 4> {3, 3, 3, 3})) << policy;
        EXPECT_TRUE(l.target.tag_rules().empty()) << policy;
        EXPECT_TRUE(l.target.text_rules().actions.empty()) << policy;
    }
}

TEST(html_lite_loader, TagBlockBuildsItsRuleUnderTheHtmlElement)
{
    loaded l(R"(<TAG name=a>
        <POLICY entity=attribute type=listed action=letthrough>
        <POLICY entity=tag type=any action=stripout>
        <ATTRIBUTE name=HREF required forbidden defvalue="http://x/">
        <ATTRIBUTE name=target required defvalue='_top'>
        <ATTRIBUTE name=title allowed required>
        <ATTRIBUTE name=rel>
        <ACTION type="print" what='#v' value=#w when="onopen&#x&&">
      </TAG>)");
    ASSERT_EQ(l.target.tag_rules().size(), 1u);
    const tag_rule& rule = l.target.tag_rules().begin()->second;
    EXPECT_EQ(rule.element, element(el::A));
    EXPECT_EQ(rule.attributes.actions, (std::array<int, 4> {3, 3, 0, 3}));
    EXPECT_EQ(l.target.tag_policy().actions, (std::array<int, 4> {3, 3, 3, 3}));  // only attribute inside TAG
    ASSERT_EQ(rule.attribute_rules.size(), 4u);
    EXPECT_EQ(rule.attribute_rules[0].key.entry, hevtools::markup::html::attribute(at::href));
    EXPECT_EQ(rule.attribute_rules[0].requirement, attribute_rule::forbidden);
    EXPECT_TRUE(rule.attribute_rules[0].has_default);
    EXPECT_EQ(rule.attribute_rules[0].default_value, "\"http://x/\"");
    EXPECT_EQ(rule.attribute_rules[1].requirement, attribute_rule::required);
    EXPECT_EQ(rule.attribute_rules[1].default_value, "'_top'");
    EXPECT_EQ(rule.attribute_rules[2].requirement, attribute_rule::allowed);
    EXPECT_EQ(rule.attribute_rules[3].requirement, attribute_rule::allowed);
    EXPECT_FALSE(rule.attribute_rules[3].has_default);
    ASSERT_EQ(rule.actions.size(), 1u);
    const tag_action& action = rule.actions[0];
    EXPECT_EQ(action.type(), "print");
    EXPECT_EQ(action.what(), "#v");
    EXPECT_EQ(action.value(), "#w");
    EXPECT_TRUE(action.value_names_variable());
    EXPECT_EQ(action.when(), "onopen&#x&&");
    EXPECT_EQ(action.conditions(), (std::vector<std::string> {"onopen", "#x", "", ""}));
}

TEST(html_lite_loader, LaterTagBlockForAnElementReplacesTheEarlierOne)
{
    loaded l("<TAG name=P><ATTRIBUTE name=align><ACTION type=continue></TAG>"
             "<TAG name=p><ACTION type=alter value=B></TAG>"
             "<TAG name=blink><ACTION type=reset></TAG>");
    ASSERT_EQ(l.target.tag_rules().size(), 2u);
    const tag_rule& p = l.target.tag_rules().at(element(el::P));
    EXPECT_TRUE(p.attribute_rules.empty());
    ASSERT_EQ(p.actions.size(), 1u);
    EXPECT_EQ(p.actions[0].type(), "alter");
    // A rule for a name the HTML vocabulary does not know is the rule of every unknown tag.
    EXPECT_EQ(l.target.tag_rules().count(&hevtools::markup::html::unknown_element), 1u);
}

TEST(html_lite_loader, TextBlocksAddToTheOneTextRule)
{
    loaded l("<TEXT><ACTION type=replace what=a value=b></TEXT><TAG name=B></TAG>"
             "<TEXT><ACTION type=continue when='formatted'></TEXT>");
    ASSERT_EQ(l.target.text_rules().actions.size(), 2u);
    EXPECT_EQ(l.target.text_rules().actions[0].type(), "replace");
    EXPECT_EQ(l.target.text_rules().actions[1].when(), "formatted");
}

TEST(html_lite_loader, SedBlocksBuildNamedArgumentVectors)
{
    using args = std::vector<std::string>;
    const std::pair<const char*, args> rows[] = {
        {"<SED name=x><-N><-E value='s/a/b/g'></SED>", {"hhsed", "-n", "-e", "s/a/b/g"}},
        {"<SED name=x><-e value=\"\"><-E value=p></SED>", {"hhsed", "-e", "-e", "p"}},
        {"<SED name=x><-E></SED>", {"hhsed", "-e"}},
        {"<SED name=x><-N></SED><SED name=x><-E value=d></SED>", {"hhsed", "-e", "d"}},
    };
    for (const auto& [policy, expected] : rows) {
        loaded l(policy);
        ASSERT_EQ(l.target.sed_commands().count("x"), 1u) << policy;
        EXPECT_EQ(l.target.sed_commands().at("x").name, "x");
        EXPECT_EQ(l.target.sed_commands().at("x").arguments, expected) << policy;
    }
}

TEST(html_lite_loader, ParseErrorsAreTracedOnlyWhenLoggingIsOn)
{
    const std::string policy = "<POLICY entity=comment \"type=any action=stripout>";
    {
        html_lite_testing::trace_capture trace;
        loaded l(policy);
        ASSERT_EQ(trace.lines().size(), 1u) << ::testing::PrintToString(trace.lines());
        EXPECT_NE(trace.lines()[0].find("Parsing error 3 occured at offset 23, parser being at state 10\n"), std::string::npos)
            << trace.lines()[0];
        EXPECT_EQ(l.target.comment_policy().actions[1], 1);  // loading went on
    }
    {
        html_lite_testing::trace_capture trace(false);
        loaded l(policy);
        EXPECT_TRUE(trace.lines().empty());
    }
}

TEST(html_lite_loader, UnknownAttributesAreKeptButNeverRead)
{
    const rules_loader::DTD dtd;
    const attribute_key known = dtd.find_attribute("WHEN");
    EXPECT_EQ(known.name, "when");
    for (const char* name : {"href", "HREF", "Zz-Top", "entityx"}) {
        const attribute_key key = dtd.find_attribute(name);
        EXPECT_EQ(key.entry, &hevtools::markup::html::unknown_attribute) << name;
        EXPECT_NE(key.entry, known.entry) << name;
    }
    loaded l("<POLICY href=x entity=comment Zz=1 type=any action=stripout><TAG name=B foo><ACTION type=alter value=I bar=2></TAG>");
    EXPECT_EQ(l.target.comment_policy().actions[1], 1);
    ASSERT_EQ(l.target.tag_rules().size(), 1u);
    EXPECT_EQ(l.target.tag_rules().begin()->second.actions.at(0).value(), "I");
}

TEST(html_lite_loader, RawTextElementsInAPolicyDoNotSwallowIt)
{
    loaded l("<PRE><SCRIPT><POLICY entity=comment type=any action=stripout></SCRIPT>");
    EXPECT_EQ(l.target.comment_policy().actions[1], 1);
}

#include "core/markup/escape.h"

#include <gtest/gtest.h>

namespace {

using core::escape_attribute_value;
using core::escape_mode;
using core::escape_text;

struct escape_case {
    const char* input;
    const char* attribute;  // escaped for a double-quoted value
    const char* text;       // escaped as text
};

const escape_case cases[] = {
    {"&amp;", "&amp;", "&amp;"},
    {"&#38;", "&#38;", "&#38;"},
    {"&#x26;", "&#x26;", "&#x26;"},
    {"&nbsp;", "&nbsp;", "&nbsp;"},
    {"&", "&amp;", "&amp;"},
    {"&copy=2", "&amp;copy=2", "&amp;copy=2"},
    {"&#;", "&amp;#;", "&amp;#;"},
    {"&#x;", "&amp;#x;", "&amp;#x;"},
    {"a&&b", "a&amp;&amp;b", "a&amp;&amp;b"},
    {"a?x=1&y=2", "a?x=1&amp;y=2", "a?x=1&amp;y=2"},
    {"a\"b<c>", "a&quot;b&lt;c&gt;", "a\"b&lt;c&gt;"},
    {"Tom & Jerry", "Tom &amp; Jerry", "Tom &amp; Jerry"},
    {"it's", "it's", "it's"},
    {"", "", ""},
};

TEST(EscapingPair, KeepsReferencesAndEscapesEverythingElse)
{
    for (const auto& c : cases) {
        SCOPED_TRACE(c.input);
        EXPECT_EQ(escape_attribute_value(c.input), c.attribute);
        EXPECT_EQ(escape_text(c.input), c.text);
    }
}

TEST(EscapingPair, IsIdempotent)
{
    for (const auto& c : cases) {
        SCOPED_TRACE(c.input);
        const auto once = escape_attribute_value(c.input);
        EXPECT_EQ(escape_attribute_value(once), once);
        const auto text = escape_text(c.input);
        EXPECT_EQ(escape_text(text), text);
        const auto single = escape_attribute_value(c.input, '\'');
        EXPECT_EQ(escape_attribute_value(single, '\''), single);
    }
}

TEST(EscapingPair, SingleQuotedValuesEscapeTheQuote)
{
    EXPECT_EQ(escape_attribute_value("O'Hara \"x\"", '\''), "O&#39;Hara &quot;x&quot;");
}

TEST(EscapingPair, ExactModeEscapesEveryAmpersand)
{
    EXPECT_EQ(escape_text("p&amp;ss<", escape_mode::exact), "p&amp;amp;ss&lt;");
    EXPECT_EQ(escape_attribute_value("&#38;\"", '"', escape_mode::exact), "&amp;#38;&quot;");
}

TEST(EscapingPair, ReferenceLengthNamesWhereAReferenceEnds)
{
    EXPECT_EQ(core::reference_length("x&amp;y", 1), 5u);
    EXPECT_EQ(core::reference_length("&#x1F;", 0), 6u);
    EXPECT_EQ(core::reference_length("&1a;", 0), 0u);
    EXPECT_EQ(core::reference_length("&amp", 0), 0u);
    EXPECT_EQ(core::reference_length("&", 0), 0u);
}

}

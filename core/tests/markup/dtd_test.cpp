#include "core/markup/dtd.h"

#include <gtest/gtest.h>

using namespace hevtools::markup::html;

TEST(HtmlDtd, ElementLookupsIgnoreCaseAndLength)
{
    const DTD& dtd = html_dtd();
    const std::pair<std::string, const core::element_entry*> rows[] = {
        {"table", element(el::TABLE)},
        {"Table", element(el::TABLE)},
        {"TABLE", element(el::TABLE)},
        {"h3", element(el::H3)},
        {"blink", &unknown_element},
        {"!DOCTYPE", &unknown_element},
        {"", &unknown_element},
        {std::string(31, 'A'), &unknown_element},
        {"B" + std::string(31, ' '), &unknown_element},
        {"VAR", element(el::VAR)},
        {"frameset", element(el::FRAMESET)},
    };
    for (const auto& [name, entry] : rows)
        EXPECT_EQ(dtd.find_element(name), entry) << name;
}

TEST(HtmlDtd, AttributeLookupsGiveKeysInTableOrder)
{
    const DTD& dtd = html_dtd();
    struct row {
        std::string name;
        std::string key_name;
        const core::attribute_entry* entry;
    };
    const std::string forty = "AbcdefghijAbcdefghijAbcdefghijAbcdefghij";
    const row rows[] = {
        {"HTTP-EQUIV", "http-equiv", attribute(at::http_equiv)},
        {"http_equiv", "http_equiv", &unknown_attribute},
        {"Accept-Charset", "accept-charset", attribute(at::accept_charset)},
        {"SRC", "src", attribute(at::src)},
        {"quorbis_id", "quorbis_id", &unknown_attribute},
        {forty, forty, &unknown_attribute},
        {forty.substr(0, 32), forty.substr(0, 32), &unknown_attribute},
        {forty.substr(0, 31), "abcdefghijabcdefghijabcdefghija", &unknown_attribute},
    };
    for (const auto& r : rows) {
        const core::attribute_key key = dtd.find_attribute(r.name);
        EXPECT_EQ(key.name, r.key_name) << r.name;
        EXPECT_EQ(key.entry, r.entry) << r.name;
    }
    EXPECT_EQ(attribute(at::http_equiv)->name, "http_equiv");
    EXPECT_TRUE(dtd.find_attribute("accept-charset") < dtd.find_attribute("accept"));
    EXPECT_TRUE(dtd.find_attribute("width") < dtd.find_attribute("aaa"));
    EXPECT_TRUE(dtd.find_attribute("aaa") < dtd.find_attribute("bbb"));
    EXPECT_FALSE(dtd.find_attribute("bbb") == dtd.find_attribute("aaa"));
    EXPECT_TRUE(dtd.find_attribute("SRC") == dtd.find_attribute("src"));
}

TEST(HtmlDtd, MakeTagInBothModes)
{
    const DTD& dtd = html_dtd();
    struct row {
        std::string text;
        bool tag_name_mode;
        std::string name;
        const core::element_entry* entry;
        bool end;
        int model;
        std::string rest;
    };
    const row rows[] = {
        {"/Br", true, "Br", element(el::BR), true, 0, ""},
        {"img", true, "img", element(el::IMG), false, 0, ""},
        {"PRE", true, "PRE", element(el::PRE), false, 2, ""},
        {"!--abc", true, "--", &comment_element, false, 1, "abc"},
        {"!--", true, "--", &comment_element, false, 1, ""},
        {"!DOCTYPE", true, "!DOCTYPE", &unknown_element, false, 0, ""},
        {"abc</script", false, "script", element(el::SCRIPT), true, 2, "abc"},
        {"a b--", false, "--", &comment_element, true, 1, "a b"},
        {"x\t/pre", false, "pre", element(el::PRE), true, 2, "x\t"},
        {"/pre", false, "pre", element(el::PRE), true, 2, ""},
        {"a b", false, "b", element(el::B), false, 0, "a "},
    };
    for (const auto& r : rows) {
        std::string text = r.text;
        int model = -1;
        const core::markup_tag tag = dtd.make_tag(text, r.tag_name_mode, &model);
        EXPECT_EQ(tag.name, r.name) << r.text;
        EXPECT_EQ(tag.element, r.entry) << r.text;
        EXPECT_EQ(tag.end, r.end) << r.text;
        EXPECT_EQ(model, r.model) << r.text;
        EXPECT_EQ(text, r.rest) << r.text;
        EXPECT_TRUE(tag.attributes.empty());
    }
    std::string br = "/Br";
    EXPECT_TRUE(dtd.is_empty_element(dtd.make_tag(br, true, nullptr)));
    std::string p = "p";
    EXPECT_FALSE(dtd.is_empty_element(dtd.make_tag(p, true, nullptr)));
    EXPECT_TRUE(dtd.is_empty_element(core::markup_tag {}));
}

TEST(HtmlDtd, DerivedLookupChangesWhatMakeTagGives)
{
    struct lite_dtd : DTD {
        const core::element_entry* find_element(std::string_view name) const override
        {
            return name == "x" ? element(el::PRE) : DTD::find_element(name);
        }
    } dtd;
    std::string text = "x";
    int model = 0;
    const core::markup_tag tag = dtd.make_tag(text, true, &model);
    EXPECT_EQ(tag.element, element(el::PRE));
    EXPECT_EQ(model, 2);
}

#include "core/markup/link_analyzer.h"
#include "core/markup/object_kinds.h"

#include <gtest/gtest.h>

namespace {

struct recording_dictionary : core::marker_dictionary {
    std::string removed;
    void remove_pull_file(int document_kind, int number) override
    {
        removed += "pull " + std::to_string(document_kind) + "/" + std::to_string(number) + ";";
    }
    void remove_click_to(int document_kind, int number) override
    {
        removed += "clickto " + std::to_string(document_kind) + "/" + std::to_string(number) + ";";
    }
};

}

TEST(ObjectMarkers, CutsMarkerSpans)
{
    struct row {
        std::string body;
        std::string expected;
        std::string removed;
    };
    const row rows[] = {
        {"<A quorbis_id='pullfile3'></A><!--x-->text", "text", "pull 1/3;"},
        {"<A quorbis_id=pullfile3>link</A>", "<A quorbis_id=pullfile3>link</A>", ""},
        {"<A href=x></A>", "<A href=x></A>", ""},
        {"a</!>b", "ab", ""},
        {"plain <b>body</b>", "plain <b>body</b>", ""},
        {"x<A  quorbis_id=\"PULLFILE3\"  href=\"\"  href=\"\" ></A>y", "xy", "pull 1/3;"},
        {"x<a quorbis_id=clickto7 x=\"\"></a > <!-- c -->y", "x <!-- c -->y", "clickto 1/7;"},
        {"x<a quorbis_id=picture2></a><!--m-->y", "xy", ""},
        {"1<a quorbis_id=clickto1></a>2<a quorbis_id=pullfile9></a><!---->3</!>4", "1234",
            "clickto 1/1;pull 1/9;"},
    };
    for (const auto& r : rows) {
        recording_dictionary dictionary;
        std::string body = r.body;
        core::strip_object_markers(body, 1, dictionary);
        EXPECT_EQ(body, r.expected) << r.body;
        EXPECT_EQ(dictionary.removed, r.removed) << r.body;
    }
}

TEST(ObjectMarkers, ObjectIdsSplitAtTheFirstDigit)
{
    struct row {
        std::string value;
        core::object_kind kind;
        int number;
    };
    const row rows[] = {
        {"picture12", core::picture, 12},
        {"PICTURE3", core::picture, 3},
        {"sendfriend4", core::sendfriend, 4},
        {"PullFile7x", core::pullfile, 7},
        {"clickto", core::unknown, 0},
        {"", core::unknown, 0},
        {"thing5", core::unknown, 5},
        {"unknown5", core::unknown, 5},
        {"picture2147483647", core::picture, 2147483647},
        {"picture2147483648", core::unknown, 0},
        {"pullfile99999999999999999999", core::unknown, 0},
    };
    for (const auto& r : rows) {
        const core::object_id id = core::parse_object_id(r.value);
        EXPECT_EQ(id.kind, r.kind) << r.value;
        EXPECT_EQ(id.number, r.number) << r.value;
    }
    int number = -1, kind = -1;
    core::parse_object_id("mailto5", number, kind);
    EXPECT_EQ(kind, core::mailto);
    EXPECT_EQ(number, 5);
    EXPECT_EQ(core::object_kind_words[core::hyperlink], "hyperlink");
}

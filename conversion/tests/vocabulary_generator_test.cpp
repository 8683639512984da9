#include "conversion/vocabulary/html_generator.h"
#include "conversion/vocabulary/linked_item.h"
#include "conversion/vocabulary/object_markup.h"
#include "conversion/vocabulary/replace_comments.h"
#include "html_lite_fixture.h"
#include "tag_collector.h"

#include "core/files/file_path.h"
#include "core/files/file_text.h"
#include "platform/testing/temporary_folder.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <fstream>
#include <functional>
#include <sstream>
#include <unistd.h>

namespace {

using conversion::get_default_html_generator;
using hevtools::markup::html::el;
using hevtools::markup::html::is;

std::string read_golden(const std::string& name)
{
    std::ifstream in(std::string(CONVERSION_TEST_DATA) + "/vocabulary/" + name, std::ios::binary);
    EXPECT_TRUE(in) << name;
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// What read_linked_item should find in a golden.
struct expected_item {
    std::string href, src, alt, text, text_body_alt;
    int kind = 7;
    int number = 0;
    int elements = 0;
};

void expect_read_back(const std::string& markup, const expected_item& expected)
{
    const std::string body = "<p>before</p>" + conversion::wrap_object_markup(markup) + "<p>after</p>";
    conversion::linked_item_info info;
    info.start_position = body.find("<!--");
    const auto end = conversion::read_linked_item(info, body);
    EXPECT_TRUE(info.stop);
    EXPECT_EQ(info.start_position, std::string("<p>before</p>").size());
    EXPECT_EQ(end, body.size() - std::string("<p>after</p>").size());
    EXPECT_EQ(info.end_position, end);
    EXPECT_EQ(info.href, expected.href);
    EXPECT_EQ(info.src, expected.src);
    EXPECT_EQ(info.alt, expected.alt);
    EXPECT_EQ(info.text, expected.text);
    EXPECT_EQ(info.text_body_alt, expected.text_body_alt);
    EXPECT_EQ(info.object_kind, expected.kind);
    EXPECT_EQ(info.object_number, expected.number);
    EXPECT_EQ(info.element_count, expected.elements);
}

shell::clickto_record click_to(std::string page, std::string icon, std::string alt, std::string target)
{
    shell::clickto_record record;
    record.file.source = std::move(page);
    record.picture.source = std::move(icon);
    record.picture.alternate_text = std::move(alt);
    record.target = std::move(target);
    return record;
}

TEST(vocabulary_generator, GoldensOfEachProducerReadBack)
{
    const auto& generator = get_default_html_generator();
    core::object_name_counters counters;
    const struct {
        const char* golden;
        std::function<std::string()> produce;
        expected_item read;
    } cases[] = {
        {"picture_empty_alt.html",
            [&] { return generator.producePictureItem({{"a.gif", 0, "pictures/a.gif", ""}, ""}, "red", 1, false, "0", counters); },
            {"", "pictures/a.gif", "", "", "", 0, 1, 1}},
        {"picture_alt.html",
            [&] {
                return generator.producePictureItem({{"logo.gif", 0, "pictures/logo.gif", ""}, "Logo"}, "", 2, true, "1", counters);
            },
            {"", "pictures/logo.gif", "Logo", "Logo", "Logo", 0, 2, 1}},
        {"mailto_href_only.html",
            [&] { return generator.produceLinkedItem("mailto:a@b.com", "", "", "", "", "mailto4", false, ""); },
            {"a@b.com", "", "", "a@b.com", "", 5, 4, 1}},
        {"colour.html",
            [&] { return generator.produceLinkedItem("http://x.test/?a=1&b=2", "#FF0000", "", "", "Shop", "hyperlink5", false, ""); },
            {"http://x.test/?a=1&amp;b=2", "", "", "Shop", "", 4, 5, 1}},
        {"clickto_flag_on.html",
            [&] { return generator.produceClicktoItem(click_to("clickto1.htm", "btn.gif", "Buy", "http://t"), "blue", 1, true, "0", counters); },
            {"clickto1.htm", "btn.gif", "Buy", "Buy", "Buy", 3, 1, 2}},
        {"clickto_flag_off.html",
            [&] { return generator.produceClicktoItem(click_to("clickto1.htm", "btn.gif", "Buy", "http://t"), "blue", 1, false, "0", counters); },
            {"clickto1.htm", "btn.gif", "Buy", "Buy", "", 3, 1, 2}},
        {"clickto_empty_icon.html",
            [&] { return generator.produceClicktoItem(click_to("clickto2.htm", "", "", "http://www.t.test/"), "", 2, false, "0", counters); },
            {"clickto2.htm", "", "", "http://www.t.test/", "", 3, 2, 1}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.golden);
        const auto produced = c.produce();
        EXPECT_EQ(produced, read_golden(c.golden));
        expect_read_back(produced, c.read);
    }
    EXPECT_EQ(conversion::wrap_object_markup(read_golden("picture_alt.html")), read_golden("wrapped_picture.html"));
    EXPECT_EQ(counters.value(core::picture), 0) << "given numbers draw nothing";
}

class vocabulary_generator_pull_files : public ::testing::Test {
protected:
    platform::testing::temporary_folder folder;

    shell::pullfile_record pull_file(const std::string& name, std::optional<off_t> size)
    {
        const auto path = folder.file(name);
        if (size) {
            int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            EXPECT_GE(fd, 0);
            EXPECT_EQ(::ftruncate(fd, *size), 0);
            ::close(fd);
        }
        shell::pullfile_record record;
        record.file.title = name;
        record.file.source = path;
        record.show_size = 1;
        return record;
    }
    std::string golden(const std::string& name)
    {
        return core::cstring_replace_all_chained(read_golden(name), "@FOLDER@", folder.path());
    }
};

TEST_F(vocabulary_generator_pull_files, SizesShowInTheirUnitsAndSurviveARefresh)
{
    const auto& generator = get_default_html_generator();
    core::object_name_counters counters;
    for (off_t size : {1023L, 2048L, 1572864L, 2097152L, 5368709120L, 0L}) {
        SCOPED_TRACE(size);
        const auto name = "f" + std::to_string(size) + ".bin";
        const auto produced = generator.producePullfileItem(pull_file(name, size), "", 3, false, "0", counters);
        EXPECT_EQ(produced, golden("pullfile_size_" + std::to_string(size) + ".html"));
        // The "&nbsp;" before the size comment reads as a blank; the comment ends the text.
        expect_read_back(produced, {folder.file(name), "", "", name + " ", "", 2, 3, 1});
        auto refreshed = produced;
        generator.refreshReplaceComments(refreshed, folder.path());
        EXPECT_EQ(refreshed, produced);
    }
    const auto unreadable = generator.producePullfileItem(pull_file("gone.bin", std::nullopt), "", 3, false, "0", counters);
    EXPECT_EQ(unreadable, golden("pullfile_size_unreadable.html"));
    EXPECT_NE(unreadable, golden("pullfile_size_0.html"));
    auto refreshed = unreadable;
    generator.refreshReplaceComments(refreshed, folder.path());
    EXPECT_EQ(refreshed, unreadable);
}

TEST_F(vocabulary_generator_pull_files, TitleAndSizeComment)
{
    const auto& generator = get_default_html_generator();
    core::object_name_counters counters;
    auto record = pull_file("a.zip", 10);
    record.picture.alternate_text = "Get it";
    record.show_size = 0;
    EXPECT_EQ(generator.producePullfileItem(record, "", 0, false, "0", counters),
        "<a href=\"" + folder.file("a.zip") + "\" quorbis_id=\"pullfile1\">Get it</a>");
    record.file.title = "a-->b";
    record.show_size = 1;
    EXPECT_EQ(generator.producePullfileItem(record, "", 7, false, "0", counters),
        "<a href=\"" + folder.file("a.zip") + "\" quorbis_id=\"pullfile7\">Get it</a>");
}

TEST(vocabulary_generator, NumberZeroDrawsTheKindsNextNumber)
{
    const auto& generator = get_default_html_generator();
    core::object_name_counters counters;
    const shell::picture_record picture {{"a.gif", 0, "a.gif", ""}, ""};
    EXPECT_NE(generator.producePictureItem(picture, "", 0, false, "0", counters).find("quorbis_id=\"picture1\""), std::string::npos);
    EXPECT_NE(generator.producePictureItem(picture, "", 0, false, "0", counters).find("quorbis_id=\"picture2\""), std::string::npos);
    EXPECT_NE(generator.producePictureItem(picture, "", 9, false, "0", counters).find("quorbis_id=\"picture9\""), std::string::npos);
    EXPECT_EQ(counters.value(core::picture), 2);
}

TEST(vocabulary_generator, TextsFromUsersCannotAddMarkup)
{
    const auto& generator = get_default_html_generator();
    core::object_name_counters counters;
    for (const std::string alt : {"a\"b<c>", "Tom & Jerry", "&amp;", "x' onload='y"}) {
        SCOPED_TRACE(alt);
        const shell::picture_record picture {{"p.gif", 0, "p\"q.gif", ""}, alt};
        const auto produced = generator.producePictureItem(picture, "", 4, true, "0\" onerror=\"x", counters);
        const auto tags = vocabulary_testing::tags_of(produced);
        ASSERT_EQ(tags.size(), 1u);
        EXPECT_TRUE(is(tags[0], el::IMG));
        EXPECT_EQ(vocabulary_testing::attribute_names(tags[0]),
            (std::vector<std::string> {"alt", "border", "src", "quorbis_id", "text_body_alt"}));

        // What the reader finds (attributes as written, the text decoded), produced again, is
        // what was produced.
        const auto body = conversion::wrap_object_markup(produced);
        conversion::linked_item_info info;
        conversion::read_linked_item(info, body);
        const auto id = core::make_object_name(counters, info.object_kind, info.object_number);
        EXPECT_EQ(generator.produceLinkedItem(info.href, "", info.src, info.alt, info.text, id, true, info.border), produced);
    }

    const auto link = generator.produceLinkedItem("http://x/\" onclick=\"y", "red\" onmouseover=\"z", "", "", "a<b>",
        "hyperlink1", true, "");
    const auto tags = vocabulary_testing::tags_of(link);
    ASSERT_EQ(tags.size(), 1u);
    EXPECT_EQ(vocabulary_testing::attribute_names(tags[0]),
        (std::vector<std::string> {"href", "style", "quorbis_id", "text_body_alt"}));
    EXPECT_NE(link.find(">a&lt;b&gt;</a>"), std::string::npos);
}

TEST(vocabulary_generator, DiagnosticIsWrittenOnlyWhileTracing)
{
    const auto& generator = get_default_html_generator();
    const auto log_stream = core::path_combine(core::standard_folder_path(1), core::program_file_with_extension(0));
    const auto size_before = core::get_file_size(log_stream);
    {
        html_lite_testing::trace_capture off(false);
        generator.produceLinkedItem("secret.htm", "", "", "", "private text", "", false, "");
    }
    EXPECT_EQ(core::get_file_size(log_stream), size_before);
    {
        html_lite_testing::trace_capture on(true);
        generator.produceLinkedItem("secret.htm", "", "", "", "private text", "", false, "");
    }
    EXPECT_GT(core::get_file_size(log_stream), size_before);
}

TEST(vocabulary_generator, ReplaceCommentsAreTheVocabularys)
{
    const auto& generator = get_default_html_generator();
    EXPECT_EQ(generator.produceReplaceComment("A", "B"), "<!--replace-->A<!--with{B}-->");
    auto body = generator.produceReplaceComment("A", "B");
    generator.refreshReplaceComments(body, std::nullopt);
    EXPECT_EQ(body, "<!--replace-->B<!--with{A}-->");
}

}

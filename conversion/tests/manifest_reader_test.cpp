#include "conversion/manifest/manifest_reader.h"

#include "platform/testing/file_contents.h"

#include <gtest/gtest.h>
#include <sstream>

namespace {

// A manifest in a stream and a reader on it, its version set as the loader parses it.
struct manifest_fixture {
    manifest_fixture(const std::string& text, int major, std::string objects = "/msg/Pull_Files",
        std::string push = "/msg/Push_Files")
        : stream(text), reader {stream, major, 0, 0, 0, std::move(objects), std::move(push), counters}
    {
    }
    void read_kind(std::string_view header, shell::object_maps& maps)
    {
        conversion::read_pictures_section(reader, header, maps.pictures);
        conversion::read_flashfiles_section(reader, header, maps.flashfiles);
        conversion::read_pullfiles_section(reader, header, maps.pullfiles);
        conversion::read_clicktos_section(reader, header, maps.clicktos);
    }

    core::object_name_counters counters;
    std::istringstream stream;
    conversion::manifest_reader reader;
};

std::string picture(std::string path, std::string number, std::string flag = "FALSE", std::string alt = "alt")
{
    return "<pic>\n" + path + "\n" + path + "\n" + flag + "\n" + alt + "\n" + number + "\n</pic>\n";
}

}

TEST(ManifestReader, VersionTwoReadsTheHtmlKindFromAnywhereAndNoFlash)
{
    manifest_fixture m("2.1.0.0\n<pullfiles>\n<puf>\nr.pdf\nr.pdf\nFALSE\n<pic>\n\n\nFALSE\n\n3\n</pic>\nTRUE\n3\n</puf>\n"
                       "</pullfiles>\n<flashfiles>\n<flash>\nm.swf\nm.swf\nFALSE\n2\n</flash>\n</flashfiles>\n"
                       "<pictures>\n" + picture("a.gif", "5") + "</pictures>\n",
        2);
    shell::object_maps maps;
    m.read_kind("<html>", maps);
    ASSERT_EQ(maps.pictures.size(), 1u);
    EXPECT_EQ(maps.pictures.at(5).source, "/msg/Pull_Files/a.gif");
    ASSERT_EQ(maps.pullfiles.size(), 1u);
    EXPECT_EQ(maps.pullfiles.at(3).file.source, "/msg/Pull_Files/r.pdf");
    EXPECT_EQ(maps.pullfiles.at(3).picture.source, ""); // no companion picture
    EXPECT_EQ(maps.pullfiles.at(3).show_size, 1);
    EXPECT_TRUE(maps.flashfiles.empty());
}

TEST(ManifestReader, FromVersionThreeSectionsStayInsideTheirKindBlock)
{
    const std::string text = "3.0.0.0\n<pictures>\n" + picture("early.gif", "1") + "</pictures>\n"
        "<html>\n<pictures>\n" + picture("html.gif", "2") + "</pictures>\n</html>\n"
        "<htmllite>\n</htmllite>\n"
        "<text>\n<pictures>\n" + picture("text.gif", "3") + "</pictures>\n</text>\n";
    manifest_fixture m(text, 3);
    shell::object_maps html, lite, plain;
    m.read_kind("<html>", html);
    m.read_kind("<htmllite>", lite);
    m.read_kind("<text>", plain);
    ASSERT_EQ(html.pictures.size(), 1u);
    EXPECT_EQ(html.pictures.at(2).title, "html.gif");
    EXPECT_TRUE(lite.empty()); // the text block's pictures are not the HTML-lite kind's
    ASSERT_EQ(plain.pictures.size(), 1u);
    EXPECT_EQ(plain.pictures.at(3).title, "text.gif");
}

TEST(ManifestReader, VersionOneEntriesAreNumberedInFileOrder)
{
    manifest_fixture m("1.0.0.0\n<pictures>\n<pic>\na.gif\na.gif\nFALSE\nA\n</pic>\n<pic>\nb.gif\nb.gif\nFALSE\nB\n</pic>\n"
                       "</pictures>\n",
        1);
    m.counters.raise_to_at_least(core::picture, 4);
    shell::object_maps maps;
    m.read_kind("<html>", maps);
    ASSERT_EQ(maps.pictures.size(), 2u);
    EXPECT_EQ(maps.pictures.at(5).title, "a.gif");
    EXPECT_EQ(maps.pictures.at(6).title, "b.gif");
}

TEST(ManifestReader, NumbersReadRaiseCountersAndNumberlessEntriesNeverReplaceOne)
{
    // Picture 0 comes first, then picture 1: both are kept; the numberless one draws after.
    const std::string text = "3.4.0.1\n<html>\n<pictures>\n" + picture("zero.gif", "0") + picture("one.gif", "1")
        + picture("twelve.gif", "12") + picture("none.gif", "") + "</pictures>\n"
        "<flashfiles>\n<flash>\nm.swf\nm.swf\nFALSE\n4\n</flash>\n</flashfiles>\n</html>\n";
    manifest_fixture m(text, 3);
    shell::object_maps maps;
    m.read_kind("<html>", maps);
    ASSERT_EQ(maps.pictures.size(), 4u);
    EXPECT_EQ(maps.pictures.at(1).title, "one.gif");
    EXPECT_EQ(maps.pictures.at(12).title, "twelve.gif");
    EXPECT_EQ(maps.pictures.at(13).title, "zero.gif");
    EXPECT_EQ(maps.pictures.at(14).title, "none.gif");
    EXPECT_EQ(core::make_new_object_name(m.counters, core::hyperlink), "hyperlink15");
    EXPECT_EQ(core::make_new_object_name(m.counters, core::mailto), "mailto16");
    EXPECT_EQ(core::make_new_object_name(m.counters, core::flashfile), "flashfile5");
}

TEST(ManifestReader, FlagsNamesAndCutEntries)
{
    const std::string text = "3.0.0.0\n<html>\n<pictures>\n"
        "<pic>\nhttp://h/a.gif\n  spaced title \t\ntrue\nA\n3\n</pic>\n"
        "<pic>\nhttp://h/b.gif\nb.gif\nTRUE\nB\n4\n</pic>\n"
        "<pic>\ncut.gif\ncut.gif\nFALSE\nalt\n9";
    manifest_fixture m(text, 3);
    shell::object_maps maps;
    m.read_kind("<html>", maps);
    ASSERT_EQ(maps.pictures.size(), 3u);
    EXPECT_EQ(maps.pictures.at(3).pulled, 0); // only "TRUE" sets the flag
    EXPECT_EQ(maps.pictures.at(3).title, "spaced title");
    EXPECT_EQ(maps.pictures.at(3).source, "/msg/Pull_Files/a.gif"); // not pulled: its file name only
    EXPECT_EQ(maps.pictures.at(4).pulled, 1);
    EXPECT_EQ(maps.pictures.at(4).source, "http://h/b.gif");
    EXPECT_EQ(maps.pictures.at(9).alternate_text, "alt"); // cut by the end of the file, still stored
}

TEST(ManifestReader, StoredNamesStayInTheirFolders)
{
    struct row {
        const char* path;
        const char* flag;
        const char* source;
    } rows[] = {
        {"../x", "FALSE", "/msg/Pull_Files/x"},
        {"/etc/passwd", "FALSE", "/msg/Pull_Files/passwd"},
        {"C:\\Windows\\x", "FALSE", "/msg/Pull_Files/x"},
        {"a/b", "FALSE", "/msg/Pull_Files/b"},
        {"..", "FALSE", "/msg/Pull_Files/untitled"},
        {"..", "TRUE", "/msg/Pull_Files/untitled"},
        {"http://h/p/a.gif", "TRUE", "http://h/p/a.gif"},
        {"", "FALSE", ""},
    };
    for (const auto& r : rows) {
        manifest_fixture m(std::string("3.0.0.0\n<html>\n<pictures>\n") + picture(r.path, "1", r.flag) + "</pictures>\n</html>\n", 3);
        shell::object_maps maps;
        m.read_kind("<html>", maps);
        ASSERT_EQ(maps.pictures.size(), 1u) << r.path;
        EXPECT_EQ(maps.pictures.at(1).source, r.source) << r.path << " " << r.flag;
    }
    manifest_fixture m("3.0.0.0\n<pushfiles>\n<push>\n../../etc/passwd\n</push>\n<push>\nC:\\docs\\list.xls\n</push>\n"
                       "</pushfiles>\n",
        3);
    std::vector<shell::push_file_record> push;
    conversion::read_pushfiles_section(m.reader, push);
    ASSERT_EQ(push.size(), 2u);
    EXPECT_EQ(push[0].path, "/msg/Push_Files/passwd");
    EXPECT_EQ(push[1].path, "/msg/Push_Files/list.xls");
    EXPECT_FALSE(push[1].copied);
}

TEST(ManifestReader, FieldsThatLookLikeTagsStayFields)
{
    const std::string text = "3.0.0.0\n<pushfiles>\n<push>\n<html>\n</push>\n</pushfiles>\n<html>\n<pictures>\n"
        + picture("a.gif", "1", "FALSE", "</pictures>") + picture("b.gif", "2", "FALSE", "<pic>") + "</pictures>\n"
        "<clicktos>\n<cli>\n<puf>\np.htm\np.htm\nFALSE\n<pic>\n\n\nFALSE\n\n7\n</pic>\nFALSE\n7\n</puf>\n</clicktos>\n"
        "</cli>\n</clicktos>\n</html>\n";
    manifest_fixture m(text, 3);
    std::vector<shell::push_file_record> push;
    conversion::read_pushfiles_section(m.reader, push);
    shell::object_maps maps;
    m.read_kind("<html>", maps);
    ASSERT_EQ(push.size(), 1u);
    ASSERT_EQ(maps.pictures.size(), 2u);
    EXPECT_EQ(maps.pictures.at(1).alternate_text, "</pictures>");
    EXPECT_EQ(maps.pictures.at(2).alternate_text, "<pic>");
    ASSERT_EQ(maps.clicktos.size(), 1u);
    EXPECT_EQ(maps.clicktos.at(7).target, "</clicktos>");
    EXPECT_EQ(core::make_new_object_name(m.counters, core::clickto), "clickto8");
}

TEST(ManifestReader, AWindowsManifestReadsAsItsTwin)
{
    const auto windows = platform::testing::read_file(std::string(CONVERSION_TEST_DATA) + "/manifest_windows.objects");
    const auto twin = platform::testing::read_file(std::string(CONVERSION_TEST_DATA) + "/manifest_twin.objects");
    ASSERT_NE(windows.find("\r\n"), std::string::npos);
    ASSERT_EQ(twin.find('\r'), std::string::npos);
    std::array<shell::object_maps, 3> from_windows, from_twin;
    std::vector<shell::push_file_record> push_windows, push_twin;
    manifest_fixture w(windows, 3), t(twin, 3);
    conversion::read_pushfiles_section(w.reader, push_windows);
    conversion::read_pushfiles_section(t.reader, push_twin);
    const char* headers[] = {"<html>", "<htmllite>", "<text>"};
    for (int kind = 0; kind < 3; ++kind) {
        w.read_kind(headers[kind], from_windows[kind]);
        t.read_kind(headers[kind], from_twin[kind]);
    }
    EXPECT_EQ(from_windows, from_twin);
    ASSERT_EQ(push_windows.size(), push_twin.size());
    for (std::size_t i = 0; i < push_twin.size(); ++i)
        EXPECT_EQ(push_windows[i].path, push_twin[i].path);
    EXPECT_FALSE(from_windows[0].pictures.empty());
    EXPECT_FALSE(from_windows[1].pullfiles.empty());
}

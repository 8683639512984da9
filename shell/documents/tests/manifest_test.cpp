#include "core/errors/errors.h"
#include "platform/testing/file_contents.h"
#include "platform/testing/temporary_folder.h"
#include "shell/documents/manifest.h"

#include <filesystem>
#include <gtest/gtest.h>

using platform::testing::read_file;
using platform::testing::write_file;

namespace {

const shell::program_version version {3, 4, 0, 1};

std::string golden(const char* name)
{
    return read_file(std::string(DOCUMENTS_TEST_DATA) + "/" + name);
}

void write_all_kinds(const std::string& path, const std::array<shell::object_maps, 3>& maps,
    const std::vector<shell::push_file_record>& push)
{
    for (int kind = 0; kind < 3; ++kind)
        shell::write_manifest(kind, path, maps[static_cast<std::size_t>(kind)], push, version);
}

std::array<shell::object_maps, 3> read_all_kinds(const std::string& path, std::vector<shell::push_file_record>& push,
    core::object_name_counters& counters)
{
    std::array<shell::object_maps, 3> maps;
    for (int kind = 0; kind < 3; ++kind)
        shell::read_manifest(kind, "/msg/Pull_Files", "/msg/Push_Files", path, maps[static_cast<std::size_t>(kind)], push,
            counters);
    return maps;
}

shell::picture_record picture(const char* title, int pulled, const char* source, const char* alt)
{
    shell::picture_record record;
    record.title = title;
    record.pulled = pulled;
    record.source = source;
    record.alternate_text = alt;
    return record;
}

shell::object_record file(const char* title, int pulled, const char* source)
{
    return {title, pulled, source, {}};
}

}

TEST(ManifestWriter, AnEmptyMessageWritesThirtyThreeLines)
{
    platform::testing::temporary_folder folder;
    const auto path = folder.file("m.objects");
    write_all_kinds(path, {}, {});
    const auto text = read_file(path);
    EXPECT_EQ(text, golden("empty_message.objects"));
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 33);
}

TEST(ManifestWriter, EveryRecordKindWritesAndReadsBack)
{
    std::array<shell::object_maps, 3> maps;
    auto& html = maps[0];
    html.pictures[3] = picture("photo.jpg", 0, "/work/photo.jpg", "Our\r\noffer");
    html.pictures[3].copy_folder = "/work";
    html.pictures[7] = picture("logo.gif", 1, "http://www.example.com/img/logo.gif", "Logo");
    html.flashfiles[2] = file("movie.swf", 0, "/work/movie.swf");
    html.pullfiles[4] = {file("report.pdf", 0, "/work/report.pdf"),
        picture("icon.gif", 1, "http://www.example.com/icon.gif", "Get it"), 1};
    shell::clickto_record clickto;
    static_cast<shell::pullfile_record&>(clickto)
        = {file("clickto5.htm", 0, "/work/clickto5.htm"), picture("go.gif", 0, "/work/go.gif", "Go"), 0};
    clickto.target = "http://www.example.com/offer";
    html.clicktos[5] = clickto;
    maps[1].pictures[1] = picture("banner.png", 0, "C:\\Pics\\banner.png", "Banner");
    const std::vector<shell::push_file_record> push {{"/home/u/price list.xls", false}};

    platform::testing::temporary_folder folder;
    const auto path = folder.file("m.objects");
    write_all_kinds(path, maps, push);
    EXPECT_EQ(read_file(path), golden("all_kinds.objects"));

    // Read back, files that travel with the message lie in the message's folders; the copy
    // folder is not kept and a line break in a text has become a blank.
    core::object_name_counters counters;
    std::vector<shell::push_file_record> read_push;
    const auto read = read_all_kinds(path, read_push, counters);
    auto expected = maps;
    expected[0].pictures[3] = picture("photo.jpg", 0, "/msg/Pull_Files/photo.jpg", "Our  offer");
    expected[0].flashfiles[2].source = "/msg/Pull_Files/movie.swf";
    expected[0].pullfiles[4].file.source = "/msg/Pull_Files/report.pdf";
    expected[0].clicktos[5].file.source = "/msg/Pull_Files/clickto5.htm";
    expected[0].clicktos[5].picture.source = "/msg/Pull_Files/go.gif";
    expected[1].pictures[1].source = "/msg/Pull_Files/banner.png";
    EXPECT_EQ(read, expected);
    ASSERT_EQ(read_push.size(), 1u);
    EXPECT_EQ(read_push[0].path, "/msg/Push_Files/price list.xls");
    EXPECT_EQ(counters.value(core::picture), 7);
    EXPECT_EQ(counters.value(core::clickto), 5);

    // Written again from what was read, the same text.
    const auto again = folder.file("again.objects");
    write_all_kinds(again, read, read_push);
    EXPECT_EQ(read_file(again), read_file(path));
}

TEST(ManifestReading, VersionsSteerWhichKindsAreRead)
{
    platform::testing::temporary_folder folder;
    const std::string blocks = "<html>\n<pictures>\n<pic>\na.gif\na.gif\nFALSE\nA\n1\n</pic>\n</pictures>\n</html>\n"
                               "<htmllite>\n<pictures>\n<pic>\nb.gif\nb.gif\nFALSE\nB\n2\n</pic>\n</pictures>\n</htmllite>\n";
    struct row {
        std::string text;
        std::size_t html;
        std::size_t lite;
    } rows[] = {
        {"2.9.0.0\n" + blocks, 1, 0},
        {"3.0.0.0\n" + blocks, 1, 1},
        {"3\n" + blocks, 1, 1},
        {blocks, 1, 0}, // a first line that is no version reads as version 0
    };
    for (const auto& r : rows) {
        const auto path = folder.file("m.objects");
        write_file(path, r.text);
        core::object_name_counters counters;
        std::vector<shell::push_file_record> push;
        const auto maps = read_all_kinds(path, push, counters);
        EXPECT_EQ(maps[0].pictures.size(), r.html) << r.text;
        EXPECT_EQ(maps[1].pictures.size(), r.lite) << r.text;
    }

    core::object_name_counters counters;
    std::vector<shell::push_file_record> push;
    const auto missing = read_all_kinds(folder.file("none.objects"), push, counters);
    EXPECT_EQ(missing, (std::array<shell::object_maps, 3> {}));
}

TEST(ManifestReading, ReopeningNeverLowersTheCounters)
{
    platform::testing::temporary_folder folder;
    const auto path = folder.file("m.objects");
    write_file(path, "3.4.0.1\n<html>\n<pictures>\n<pic>\na.gif\na.gif\nFALSE\nA\n12\n</pic>\n</pictures>\n</html>\n");
    core::object_name_counters counters;
    counters.raise_to_at_least(core::picture, 50);
    std::vector<shell::push_file_record> push;
    read_all_kinds(path, push, counters);
    EXPECT_EQ(core::make_new_object_name(counters, core::picture), "picture51");
    counters.reset(); // File New
    read_all_kinds(path, push, counters);
    EXPECT_EQ(core::make_new_object_name(counters, core::sendfriend), "sendfriend13");
}

TEST(ManifestPath, FlatNameOfTheMessageInTheDictionariesFolder)
{
    platform::testing::temporary_folder folder;
    const auto dictionaries = folder.file("dictionaries");
    EXPECT_EQ(shell::make_manifest_path("/home/u/Mail/offer_files/Pull_Files", dictionaries),
        dictionaries + "/%2Fhome%2Fu%2FMail%2Foffer.objects");
    EXPECT_TRUE(std::filesystem::is_directory(dictionaries));
    EXPECT_EQ(shell::make_manifest_path("C:\\Mail\\offer_files\\Pull_Files", dictionaries),
        dictionaries + "/C%3A%5CMail%5Coffer.objects");
    EXPECT_EQ(shell::make_manifest_path("/m/offer_files/pull_files", dictionaries),
        dictionaries + "/%2Fm%2Foffer_files%2Fpull_files.objects");
}

TEST(ManifestWriter, AFailedWriteIsReported)
{
    platform::testing::temporary_folder folder;
    EXPECT_THROW(shell::write_manifest(0, folder.file("missing/m.objects"), {}, {}, version), hevtools::win32api_error);
}

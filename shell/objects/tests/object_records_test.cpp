#include "shell/objects/object_records.h"

#include <gtest/gtest.h>

TEST(ObjectRecords, TitleIsTheSourceFileNameWithoutPlaceholder)
{
    struct row {
        const char* source;
        const char* title;
    } rows[] = {
        {"[pull name=a.gif]", "a.gif"},
        {"C:\\Pics\\[pull name=a.gif]", "a.gif"},
        {"/pics/[PULL NAME=a.gif]", "[PULL NAME=a.gif"}, // any case starts it, only the exact prefix goes
        {"http://www.example.com/img/photo.jpg", "photo.jpg"},
        {"/pics/photo.jpg", "photo.jpg"},
        {"", ""},
    };
    for (const auto& r : rows) {
        shell::object_record record;
        record.copy_folder = "/work";
        shell::init_object_record(record, r.source, 7);
        EXPECT_EQ(record.title, r.title) << r.source;
        EXPECT_EQ(record.source, r.source);
        EXPECT_EQ(record.pulled, 7);
        EXPECT_EQ(record.copy_folder, "/work");
    }
}

TEST(ObjectRecords, ConstructorsFillEveryField)
{
    EXPECT_EQ(shell::construct_clickto_record(), shell::clickto_record {});
    EXPECT_EQ(shell::construct_pullfile_record().picture.alternate_text, "");

    const auto picture = shell::construct_picture_record_from_source("/p/a.gif", "A picture", 0);
    EXPECT_EQ(picture.title, "a.gif");
    EXPECT_EQ(picture.alternate_text, "A picture");

    const auto pullfile = shell::construct_pullfile_record_from_source("/f/report.pdf", 0, "http://h/icon.gif", "Icon", 1, 1);
    EXPECT_EQ(pullfile.file.title, "report.pdf");
    EXPECT_EQ(pullfile.picture.source, "http://h/icon.gif");
    EXPECT_EQ(pullfile.picture.pulled, 1);
    EXPECT_EQ(pullfile.picture.alternate_text, "Icon");
    EXPECT_EQ(pullfile.show_size, 1);

    const auto linked = shell::construct_pullfile_record_from_link("http://h/r.pdf", 1);
    EXPECT_EQ(linked.file.source, "http://h/r.pdf");
    EXPECT_EQ(linked.picture, shell::picture_record {});
    EXPECT_EQ(linked.show_size, 0);

    std::string asked_target;
    int asked_page = 0;
    const auto page = shell::construct_clickto_record_from_target(true, "  http://x/offer \r\n", "/p/b.gif", "Go", 0, 9,
        [&](std::string_view target, int number) {
            asked_target = target;
            asked_page = number;
            return std::string("/work/clickto9.htm");
        });
    EXPECT_EQ(asked_target, "  http://x/offer \r\n");
    EXPECT_EQ(asked_page, 9);
    EXPECT_EQ(page.file.source, "/work/clickto9.htm");
    EXPECT_EQ(page.file.title, "clickto9.htm");
    EXPECT_EQ(page.file.pulled, 0);
    EXPECT_EQ(page.picture.title, "b.gif");
    EXPECT_EQ(page.target, "http://x/offer");

    const auto direct = shell::construct_clickto_record_from_target(false, "http://x/o", "", "", 0, 1, nullptr);
    EXPECT_EQ(direct.file.source, "http://x/o");

    const auto link = shell::construct_clickto_record_from_link("http://x/o", 1);
    EXPECT_EQ(link.file.pulled, 1);
    EXPECT_EQ(link.target, "http://x/o");

    // Copies are whole.
    auto copy = page;
    EXPECT_EQ(copy, page);
    copy.picture.alternate_text = "changed";
    EXPECT_NE(copy, page);
    EXPECT_EQ(shell::get_object_title(page.file), "clickto9.htm");
    EXPECT_EQ(shell::get_object_source(page.picture), "/p/b.gif");
}

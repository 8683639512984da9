#include "conversion/objects/clickto_page.h"
#include "conversion/objects/object_files.h"
#include "core/files/file_path.h"
#include "core/tests/files/files_fixture.h"

#include <sys/stat.h>

using namespace conversion;

namespace {

int count_of(const std::string& text, const std::string& what)
{
    int count = 0;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++count;
    return count;
}

// The content attribute of the page's one refresh META.
std::string refresh_content(const std::string& page)
{
    auto start = page.find("content=\"") + 9;
    return page.substr(start, page.find("\">", start) - start);
}

}

TEST(ClicktoPage, BaseNamesFollowTheAddressWithinThirtyEightBytes)
{
    const std::string sixty = "http://" + std::string(53, 'a');
    std::string wide = "http://";
    for (int i = 0; i < 30; ++i)
        wide += "\xC3\xA9";
    struct row {
        std::string address;
        int number;
        std::string base;
    } rows[] = {
        {"  www.example.com ", 1, "http-www.example.com"},
        {"http://a.com/page.html", 1, "http-a.com-page"},
        {"http://a.com/x.HTM", 1, "http-a.com-x"},
        {"http://a.com/q?x=1&y=\"2\"", 1, "http-a.com-q-x=1-y=-2-"},
        {sixty, 3, "clickto3_" + ("http-" + std::string(53, 'a')).substr(0, 29)},
        {"//host/x", 2, "clickto2_--host-x"},
        {"//" + std::string(30, 'b'), 4, ("clickto4_--" + std::string(30, 'b')).substr(0, 38)},
        {"a\r\nb", 1, "http-a--b"},
        {"../../etc/passwd", 1, "http-..-..-etc-passwd"},
    };
    for (const auto& r : rows)
        EXPECT_EQ(clickto_base_name(r.address, r.number), r.base) << r.address;
    // A cut never splits a character.
    const auto cut = clickto_base_name(wide, 10);
    EXPECT_EQ(cut, "clickto10_http-" + wide.substr(7, 22));
}

TEST(ClicktoPage, PageRefreshesToTheTargetAndShowsIt)
{
    const auto page = clickto_page_text("http://example.com/a;b?x=1&y=2", {5, "Please wait for page", "to load..."});
    EXPECT_EQ(page,
        "<html>\n<head>\n"
        "   <meta http-equiv=\"refresh\" content=\"5;URL=http://example.com/a%3Bb?x=1&amp;y=2\">\n"
        "</head><body>Please wait for page http://example.com/a;b?x=1&amp;y=2 to load...\n</body></html>");
}

TEST(ClicktoPage, HostileTargetsStayInsideTheirPlaces)
{
    for (std::string target : {"x\" onload=\"alert(1)", "<script>alert(1)</script>", "a;URL=http://evil/",
             "a\r\n<meta http-equiv=refresh content=0>", "it's"}) {
        const auto page = clickto_page_text(target, {1, "w", "l"});
        EXPECT_EQ(count_of(page, "<meta"), 1) << page;
        EXPECT_EQ(count_of(page, "<"), 7) << page; // html head meta /head body /body /html
        const auto content = refresh_content(page);
        EXPECT_EQ(content.find_first_of("\"'<>;\r\n", 2), std::string::npos) << content;
    }
}

class ObjectFiles : public ProgramFolders {
protected:
    void SetUp() override
    {
        ProgramFolders::SetUp();
        for (const char* folder : {"a", "b", "work"})
            ::mkdir(root.file(folder).c_str(), 0700);
        work = root.file("work");
    }
    std::string in_work(const std::string& name) { return work + "/[pull name=" + name + "]"; }
    std::string made(const std::string& name, const std::string& content)
    {
        write_file(root.file(name), content);
        return root.file(name);
    }

    std::string work;
};

TEST_F(ObjectFiles, CopiesAreNamedSafelyAndOnePerObject)
{
    struct row {
        std::string file;
        std::string name;
    } rows[] = {
        {"a/my logo&%#^{}`][.gif", "my_logo_________.gif"},
        {"a/[pull name=x y.gif]", "x_y.gif"},
        {"a/plain.png", "plain.png"},
    };
    for (const auto& r : rows) {
        auto record = shell::construct_object_record_from_source(made(r.file, r.file), 0);
        EXPECT_EQ(copy_object_file(record, work), in_work(r.name));
        EXPECT_EQ(record.title, r.name);
        EXPECT_EQ(record.copy_folder, work);
        EXPECT_EQ(read_file(record.source), r.file);
    }
    EXPECT_EQ(stored_object_name("/a/", 0xAB), "untitledAB");

    // Two files of one name from two folders keep two copies.
    auto first = shell::construct_object_record_from_source(made("a/logo.gif", "A"), 0);
    auto second = shell::construct_object_record_from_source(made("b/logo.gif", "B"), 0);
    copy_object_file(first, work);
    copy_object_file(second, work);
    EXPECT_EQ(first.title, "logo.gif");
    EXPECT_EQ(second.title, "logo_2.gif");
    EXPECT_EQ(read_file(first.source), "A");
    EXPECT_EQ(read_file(second.source), "B");
    // Placing a copy again is no new copy.
    auto again = first;
    EXPECT_EQ(copy_object_file(again, work), first.source);
    EXPECT_EQ(again.title, "logo.gif");

    // A pulled object stays where it is.
    auto pulled = shell::construct_object_record_from_source("http://example.com/far.gif", 1);
    EXPECT_EQ(copy_object_file(pulled, work), "http://example.com/far.gif");
    EXPECT_EQ(pulled.title, "far.gif");
}

TEST_F(ObjectFiles, AFailedCopyLeavesTheRecordAndNoFile)
{
    auto record = shell::construct_object_record_from_source(root.file("a/missing.gif"), 0);
    const auto before = record;
    EXPECT_THROW(copy_object_file(record, work), object_file_error);
    EXPECT_EQ(record, before);
    EXPECT_FALSE(present(in_work("missing.gif")));
}

TEST_F(ObjectFiles, MovingDeletesTheOriginalOnlyAfterACopyElsewhere)
{
    auto record = shell::construct_pullfile_record_from_source(made("a/page.html", "P"), 0, made("a/go.gif", "G"),
        "Go", 0, 0);
    move_object_file(record, work);
    EXPECT_EQ(read_file(in_work("page.html")), "P");
    EXPECT_EQ(read_file(in_work("go.gif")), "G");
    EXPECT_FALSE(present(root.file("a/page.html")));
    EXPECT_TRUE(present(root.file("a/go.gif")));

    // Moving onto itself keeps the file.
    move_object_file(record, work);
    EXPECT_EQ(read_file(in_work("page.html")), "P");

    // A picture that cannot be copied keeps the file, the source and the record.
    auto failing = shell::construct_pullfile_record_from_source(made("a/other.html", "O"), 0, root.file("a/none.gif"),
        "", 0, 0);
    const auto before = failing;
    EXPECT_THROW(move_object_file(failing, work), object_file_error);
    EXPECT_EQ(failing, before);
    EXPECT_TRUE(present(root.file("a/other.html")));
}

TEST_F(ObjectFiles, UpdatesCopyOnlyNewSourcesAndFollowTheFlag)
{
    auto record = shell::construct_picture_record_from_source(made("a/p.gif", "1"), "", 0);
    copy_object_file(record, work);
    const auto placed = record.source;
    update_picture_record(record, placed, "alt", 0, work);
    EXPECT_EQ(record.source, placed);
    EXPECT_EQ(record.alternate_text, "alt");

    update_picture_record(record, "file://" + made("b/q.gif", "2"), "", 0, work);
    EXPECT_EQ(record.source, in_work("q.gif"));
    EXPECT_EQ(read_file(record.source), "2");

    update_picture_record(record, "http://example.com/r.gif", "", 1, work);
    EXPECT_EQ(record.source, "http://example.com/r.gif");
    EXPECT_EQ(record.pulled, 1);

    // A bare placeholder names the file in the folder: nothing is copied.
    shell::pullfile_record pull;
    pull.file.copy_folder = work;
    update_pullfile_record(pull, "[pull name=q.gif]", "icon", 0);
    EXPECT_EQ(pull.picture.source, in_work("q.gif"));
    EXPECT_EQ(pull.picture.title, "q.gif");

    const auto kept = record;
    EXPECT_THROW(update_flash_record(record, root.file("a/none.swf"), 0, work), object_file_error);
    EXPECT_EQ(record, kept);

    set_object_file(record, "/d/[pull name= got.gif ]");
    EXPECT_EQ(record.title, "got.gif");
    reset_object_record(pull);
    EXPECT_EQ(pull.picture, shell::construct_picture_record());
}

TEST_F(ObjectFiles, AClicktoChangesItsPageOnlyForANewTarget)
{
    int pages = 0;
    clickto_page_maker writer = [&](std::string_view target, int number) {
        ++pages;
        return write_clickto_page(target, number, {1, "w", "l"});
    };
    shell::clickto_record record;
    change_clickto_object(record, 4, " www.one.example ", "", "", 0, work, writer);
    ASSERT_EQ(pages, 1);
    EXPECT_EQ(record.target, "www.one.example");
    const auto first_page = record.file.source;
    EXPECT_EQ(first_page, in_work("http-www.one.example.html"));
    EXPECT_NE(read_file(first_page).find("URL=www.one.example\""), std::string::npos);
    EXPECT_FALSE(present(core::path_combine(core::standard_folder_path(0), "http-www.one.example.html")));

    change_clickto_object(record, 4, "www.one.example  ", "", "", 0, work, writer);
    EXPECT_EQ(pages, 1);

    // Another click-to's record still holds the first page, which stays.
    auto shared = record;
    change_clickto_object(record, 4, "www.two.example", "", "", 0, work, writer);
    EXPECT_EQ(pages, 2);
    EXPECT_EQ(record.file.source, in_work("http-www.two.example.html"));
    EXPECT_TRUE(present(shared.file.source));
}

TEST_F(ObjectFiles, ATakenPageNameIsNumbered)
{
    const auto first = write_clickto_page("www.a.example", 1, {1, "w", "l"});
    const auto second = write_clickto_page("www.a.example", 2, {1, "w", "l"});
    const auto temp = core::standard_folder_path(0);
    EXPECT_EQ(first, temp + "/http-www.a.example.html");
    EXPECT_EQ(second, temp + "/http-www.a.example-2.html");
    EXPECT_NE(read_file(first), "");
}

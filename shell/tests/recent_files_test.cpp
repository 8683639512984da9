#include "app_fixture.h"

#include <gtest/gtest.h>

using namespace shell;
using namespace shell::testing;
using platform::ui::CmdUI;
using platform::ui::MenuItem;
using platform::ui::MenuModel;

namespace {

MenuModel file_menu()
{
    MenuModel menu;
    menu.append(MenuItem {57600, "&New", true, false, nullptr});
    menu.append(MenuItem {ID_FILE_MRU_FILE1, "Recent File", true, false, nullptr});
    menu.append(MenuItem {57665, "E&xit", true, false, nullptr});
    return menu;
}

std::vector<std::string> texts(const MenuModel& menu)
{
    std::vector<std::string> out;
    for (const auto& item : menu.items())
        out.push_back(item.text);
    return out;
}

void store_recent(platform::registry::profile& profile, const std::vector<std::string>& names)
{
    for (std::size_t i = 0; i < names.size(); ++i)
        ASSERT_EQ(profile.write_string("Recent Files Ex", "File" + std::to_string(i + 1), names[i]),
            platform::registry::status::ok);
}

}

TEST(RecentFiles, MenuTextNumbersEntriesAndDoublesAmpersands)
{
    EXPECT_EQ(recent_menu_text(0, 0, "/d/a&b.htm"), "&1 /d/a&&b.htm");
    EXPECT_EQ(recent_menu_text(0, 9, "x"), "&0 x");
    EXPECT_EQ(recent_menu_text(0, 1, "/\xE6\x97\xA5&&"), "&2 /\xE6\x97\xA5&&&&");
    const std::string long_name = "/very/long/folder/name/that/goes/past/thirty/characters.htm";
    EXPECT_EQ(recent_menu_text(0, 0, long_name), "&1 " + long_name); // never shortened
}

TEST(RecentFiles, UpdateMenuShowsEntriesOrTheResourceTextDisabled)
{
    CRecentFileListEx list;
    MenuModel menu = file_menu();
    CmdUI ui {ID_FILE_MRU_FILE1, true, false, std::nullopt, &menu, 1, menu.count()};
    list.UpdateMenu(ui);
    EXPECT_FALSE(ui.enabled);
    EXPECT_EQ(ui.text, "Recent File");

    list.Add("/d/b.htm");
    list.Add("/d/a&b.htm");
    CmdUI filled {ID_FILE_MRU_FILE1, true, false, std::nullopt, &menu, 1, menu.count()};
    list.UpdateMenu(filled);
    EXPECT_EQ(texts(menu), (std::vector<std::string> {"&New", "&1 /d/a&&b.htm", "&2 /d/b.htm", "E&xit"}));
    EXPECT_EQ(menu.at(2).id, ID_FILE_MRU_FILE1 + 1);
    EXPECT_EQ(filled.index, 2u);
    EXPECT_EQ(filled.count, 4u);

    // Updating again replaces the items instead of adding more.
    CmdUI again {ID_FILE_MRU_FILE1, true, false, std::nullopt, &menu, 1, menu.count()};
    list.UpdateMenu(again);
    EXPECT_EQ(menu.count(), 4u);
}

TEST(RecentFiles, AddKeepsAbsolutePathsMostRecentFirstComparedExactly)
{
    CRecentFileListEx list;
    for (const char* path : {"/a.htm", "/b.htm", "/A.htm", "/a.htm", "/c.htm", "/d.htm"})
        list.Add(path);
    EXPECT_EQ(list[0], "/d.htm");
    EXPECT_EQ(list[1], "/c.htm");
    EXPECT_EQ(list[2], "/a.htm");
    EXPECT_EQ(list[3], "/A.htm");
    list.Remove(0);
    EXPECT_EQ(list[0], "/c.htm");
    EXPECT_EQ(list[3], "");
}

TEST(RecentFiles, OpenRecentOpensTheEntryAndDropsAFailedOne)
{
    app_fixture f;
    store_recent(f.profile, {"/d/notes", "/d/A.HTML", "/d/x.quorbis_txt", "/d/gone.htm"});
    f.with_documents();
    f.openable = {"/d/notes.htm", "/d/A.HTML", "/d/x.quorbis_txt"};
    ASSERT_TRUE(f.start().runs()) << f.app->outcome().reason;
    auto& recent = *f.context.recent_files;

    EXPECT_TRUE(f.app->commands().execute(ID_FILE_MRU_FILE1 + 3)); // "/d/gone.htm" fails
    EXPECT_EQ(recent[3], "");
    f.app->commands().execute(ID_FILE_MRU_FILE1 + 2);
    EXPECT_EQ(recent[0], "/d/x.quorbis_txt"); // opened as stored, now first
    f.app->commands().execute(ID_FILE_MRU_FILE1 + 2);
    EXPECT_EQ(recent[0], "/d/A.HTML");
    f.app->commands().execute(ID_FILE_MRU_FILE1 + 2);
    EXPECT_EQ(recent[0], "/d/notes.htm");
    EXPECT_EQ(recent[1], "/d/A.HTML");
    EXPECT_EQ(recent_file_to_open("/d.v1/notes"), "/d.v1/notes.htm");
}

TEST(RecentFiles, EmptyEntryCommandDoesNothing)
{
    app_fixture f;
    store_recent(f.profile, {"/d/a.htm", "/d/b.htm"});
    ASSERT_TRUE(f.start().runs());
    f.app->commands().execute(ID_FILE_MRU_FILE1 + 3);
    EXPECT_EQ((*f.context.recent_files)[0], "/d/a.htm");
    EXPECT_EQ((*f.context.recent_files)[1], "/d/b.htm");
}

TEST(RecentFiles, ExitWritesTheListInTheOrdinaryModeOnly)
{
    for (int mode : {0, 1, 2}) {
        app_fixture f;
        store_recent(f.profile, {"/d/one.htm", "/d/two.htm"});
        f.with_documents();
        f.openable = {"/d/child.greetings", "/d/child.htm"};
        std::vector<std::string> arguments;
        if (mode == 1)
            arguments = {"-FormGreetingsEditMode", "/d/child.greetings"};
        else if (mode == 2)
            arguments = {"-ClicktoCustomizeEditMode", "/d/child.htm"};
        ASSERT_TRUE(f.start(arguments).runs()) << mode;
        const std::string section = f.profile.section_key("Recent Files Ex");
        auto before = f.registry();
        f.context.recent_files->Add("/d/three.htm");
        f.app->ExitInstance();
        auto after = f.registry();
        if (mode == 0) {
            EXPECT_EQ(*after.find(section, "File1"), platform::registry::value(std::string("/d/three.htm")));
            EXPECT_EQ(*after.find(section, "File3"), platform::registry::value(std::string("/d/two.htm")));
            EXPECT_EQ(after.find(section, "File4"), nullptr);
        } else {
            EXPECT_TRUE(after.same_subtree(before, section)) << mode;
        }
    }
}

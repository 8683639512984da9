#include "shell/view/talverin_view.h"

#include "html/headless/headless_document.h"
#include "html/ui_queue.h"
#include "shell/documents/document_layout.h"
#include "shell/documents/talverin_doc.h"
#include "shell/documents/talverin_doc_manager.h"
#include "shell/documents/testing/recording_conversion.h"
#include "shell/tests/app_fixture.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>

namespace shell::testing {
namespace {

namespace fs = std::filesystem;

// A started application whose first template makes HTML messages shown in their editing
// view, on headless documents run from a manual queue.
struct talverin_view : app_fixture, ::testing::Test {
    talverin_view()
    {
        fs::create_directories(folder);
        host.set_ui_queue(&queue);
        context.services.document_factory = [this](html::document_host& document_host) {
            html::headless_ports ports;
            ports.queue = &pages;
            ports.clip = clip;
            return html::make_headless_document(document_host, ports);
        };
        context.services.clipboard = clip;
        context.conversion = std::make_unique<RecordingConversion>();
        install_message_document(context, [this] { return app->doc_manager(); });
        install_message_view(context, [this] { return app->doc_manager(); });
        EXPECT_TRUE(start().runs());
    }

    CTalverinDocManager& manager() { return static_cast<CTalverinDocManager&>(*app->doc_manager()); }
    CTalverinDoc& doc() { return *context.current_document; }
    CTalverinView& view() { return *dynamic_cast<CTalverinView*>(doc().view()); }
    editing::document_pair pair() { return view().GetHTMLDocument(); }

    void new_message(const std::string& page)
    {
        ASSERT_EQ(manager().on_file_new(), platform::ui::DocManager::Outcome::opened);
        pages.run_pending();
        view().show_page(page);
        pages.run_pending();
    }
    void open(const std::string& anchor)
    {
        ASSERT_EQ(manager().open_document_file(anchor), platform::ui::DocManager::Outcome::opened);
        pages.run_pending();
    }
    std::string body_text()
    {
        std::string text;
        pair().document->body()->inner_text(text);
        return text;
    }
    // Types at the end of the element with that id.
    void type_after(std::string_view id, std::string_view text)
    {
        auto range = pair().document->selection()->create_range();
        ASSERT_EQ(range->move_to_element_text(pair().document->all()->item(id)), html::S_OK);
        range->collapse(false);
        range->select();
        pair().document->input().type_text(text);
    }

    std::string folder = test.root.path() + "/docs";
    html::manual_ui_queue pages;
    std::shared_ptr<html::clipboard> clip = std::make_shared<html::clipboard>();
};

const std::string letter = "<html><head><title>June</title></head><body bgcolor=\"#ffffff\">"
                           "<p id=\"greeting\">Dear reader,</p><p>the June news.</p></body></html>";

TEST_F(talverin_view, a_saved_message_opens_in_its_view_and_an_edit_saves_and_opens_again)
{
    new_message(letter);
    const auto anchor = folder + "/june.htm";
    ASSERT_TRUE(doc().DoSave(anchor, true));
    EXPECT_FALSE(doc().IsModified()) << "a page just saved is unchanged";

    open(anchor);
    EXPECT_EQ(body_text().find("Dear reader,"), 0u) << body_text();
    EXPECT_FALSE(doc().IsModified()) << "the reopened page equals the stored one";

    type_after("greeting", " and friends");
    EXPECT_TRUE(doc().IsModified());
    ASSERT_TRUE(doc().DoFileSave());
    EXPECT_FALSE(doc().IsModified());
    const auto files = *document_files_for(folder + "/june", ".htm", manager().dictionaries_folder());
    EXPECT_NE(read_file(files.companion + "/Message_Files/Message_Body.htm").find("Dear reader, and friends"),
        std::string::npos);

    open(anchor);
    EXPECT_NE(body_text().find("Dear reader, and friends"), std::string::npos) << body_text();
    EXPECT_FALSE(doc().IsModified());
}

TEST_F(talverin_view, file_save_and_save_as_reach_the_message_document)
{
    new_message(letter);
    host.expect_file_dialog({{}, {folder + "/july.htm"}});
    ASSERT_TRUE(doc().commands().execute(ID_FILE_SAVE_AS));
    const auto files = *document_files_for(folder + "/july", ".htm", manager().dictionaries_folder());
    EXPECT_EQ(doc().GetPathName(), files.anchor);
    const auto body = files.companion + "/Message_Files/Message_Body.htm";
    EXPECT_NE(read_file(body).find("Dear reader,"), std::string::npos);

    type_after("greeting", " and friends");
    ASSERT_TRUE(doc().commands().execute(ID_FILE_SAVE));
    EXPECT_NE(read_file(body).find("Dear reader, and friends"), std::string::npos);
    EXPECT_FALSE(doc().IsModified());
}

TEST_F(talverin_view, the_page_is_written_with_the_form_wrapper_validation_and_head)
{
    new_message("<html><head></head><body><p>Name <input name=\"who\" quorbis_required></p></body></html>");
    auto plain = view().GetPageHTML(page_flags_save);
    EXPECT_NE(plain.find("name=GENERATOR>"), std::string::npos) << plain;
    EXPECT_EQ(plain.find("<form"), std::string::npos) << "no wrapper outside Form Creation mode";
    EXPECT_NE(plain.find("quorbis_validation_script"), std::string::npos) << plain;

    view().set_form_creation_mode(true);
    for (const char* registration : {"", "Quennet", "qUENNET", "other"}) {
        ASSERT_EQ(profile.write_string("broadcast", "FormRegistration", registration), platform::registry::status::ok);
        auto wrapped = view().GetPageHTML(page_flags_save);
        EXPECT_NE(wrapped.find("name=\"quorbis_form\" onsubmit=\"return(quorbis_form_validation());\""),
            std::string::npos)
            << registration << ": " << wrapped;
        EXPECT_EQ(wrapped.find("<form"), wrapped.rfind("<form")) << "one wrapper: " << wrapped;
    }

    view().LoadBlankPage();
    EXPECT_FALSE(view().form_creation_mode()) << "the start page ends Form Creation mode";
}

std::vector<std::string> files_in(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST_F(talverin_view, page_text_is_read_through_the_page_loader_from_a_page_that_goes_again)
{
    new_message("<html><body><p>Hello <b>there</b></p></body></html>");
    auto& loader = static_cast<RecordingConversion&>(*context.conversion);
    loader.calls.clear();
    const auto before = files_in(manager().GetTempFolder());
    EXPECT_NE(view().GetPageText(true).find("Hello there"), std::string::npos);
    EXPECT_EQ(loader.calls, std::vector<std::string> {"get_page_text"});
    EXPECT_EQ(files_in(manager().GetTempFolder()), before);
}

TEST_F(talverin_view, a_new_message_is_unchanged_until_its_page_shows_something)
{
    new_message("<html><body bgcolor=\"#FFFFFF\">&nbsp;</body></html>");
    EXPECT_FALSE(doc().IsModified());
    new_message("<html><body><p>typed</p></body></html>");
    EXPECT_TRUE(doc().IsModified());
}

TEST_F(talverin_view, insert_commands_are_disabled_on_a_selected_control_and_lists_reach_the_editor)
{
    new_message("<html><body><p id=\"text\">words</p><img id=\"picture\" src=\"a.gif\"></body></html>");
    platform::ui::CmdUI list {ID_INSERT_LIST_ELEMENT};
    view().commands().update(list);
    EXPECT_TRUE(list.enabled);
    platform::ui::CmdUI picture {ID_INSERT_PICTURE};
    view().commands().update(picture);
    EXPECT_FALSE(picture.enabled) << "no picture dialog is bound";

    type_after("text", "");
    ASSERT_TRUE(view().commands().execute(ID_BULLET));
    std::string body;
    pair().document->body()->inner_html(body);
    EXPECT_NE(body.find("<UL>"), std::string::npos) << body;

    platform::ui::CmdUI spacing {ID_SINGLE_SPACING};
    view().commands().update(spacing);
    EXPECT_FALSE(spacing.checked);
    ASSERT_TRUE(view().commands().execute(ID_SINGLE_SPACING));
    view().commands().update(spacing);
    EXPECT_TRUE(spacing.checked);

    ASSERT_EQ(pair().document->selection()->select_control(pair().document->all()->item("picture")), html::S_OK);
    view().commands().update(list);
    EXPECT_FALSE(list.enabled);
}

}
}

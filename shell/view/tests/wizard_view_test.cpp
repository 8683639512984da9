#include "core/util/program_environment.h"
#include "shell/view/tests/view_fixture.h"

#include "platform/com/com_error.h"
#include "core/files/file_path.h"
#include "platform/ui/frame_resources.h"
#include "platform/ui/messages.h"

#include <gtest/gtest.h>

namespace shell::testing {
namespace {

namespace fs = std::filesystem;
using platform::ui::IDCANCEL;
using platform::ui::IDNO;
using platform::ui::IDYES;
using platform::ui::MB_ICONEXCLAMATION;
using platform::ui::MB_OK;
using platform::ui::MB_YESNOCANCEL;

// The view's preview window and a speller that may refuse to start.
class scripted_objects final : public ViewObjectServices {
public:
    std::vector<std::pair<std::string, std::string>> previews;
    bool speller_starts = true;
    int checks = 0;

    bool has(int command) const override { return command == ID_PREVIEW_AS_TEXT || command == ID_CHECK_SPELLING; }
    std::optional<InsertChoice> run_insert_dialog(int, int, const editing::document_pair&) override { return {}; }
    int run_bookmark_dialog(const editing::document_pair&, std::string&, html::element_ptr&) override { return 2; }
    bool has_click_to_talk(int, const editing::document_pair&) override { return false; }
    bool run_click_to_talk_dialog(int, const editing::document_pair&, std::string&, std::string&) override
    {
        return false;
    }
    void show_text_preview(const std::string& html, const std::string& title) override
    {
        previews.emplace_back(html, title);
    }
    std::unique_ptr<Speller> make_speller(int, const std::string&, int) override
    {
        struct speller final : Speller {
            scripted_objects& owner;
            explicit speller(scripted_objects& o) : owner(o) { }
            bool Start() override { return owner.speller_starts; }
            void Check(const editing::document_pair&) override { ++owner.checks; }
        };
        return std::make_unique<speller>(*this);
    }
};

std::string text_of(const std::string& path) { return read_file(path); }

TEST_F(view_fixture, a_text_message_saves_its_text_and_its_markup_beside_it)
{
    auto document = open();
    auto path = folder() + "/notes.quorbis_txt";
    ASSERT_TRUE(document->DoSave(path));
    EXPECT_EQ(text_of(path), "(empty)");
    auto markup = text_of(folder() + "/notes.htm");
    EXPECT_NE(markup.find("<BODY"), std::string::npos) << markup;
    EXPECT_EQ(document->GetTitle(), "Text body part");
    document->SetTitle("anything");
    document->SetPathName(path);
    EXPECT_EQ(document->GetTitle(), "Text body part");
    EXPECT_EQ(manager().GetDocFileName(2, false), "notes.quorbis_txt");

    pair().document->input().type_text("typed");
    ASSERT_TRUE(document->DoFileSave());
    EXPECT_EQ(text_of(path), "typed");
}

TEST_F(view_fixture, a_text_file_opens_in_its_view_as_written)
{
    auto path = folder() + "/letter.quorbis_txt";
    write(path, "Dear\treader,\r\n\r\n  a < b & c\r\n");
    auto document = open(path);
    EXPECT_EQ(view->GetPageText(false), "Dear\treader,\r\n\r\n  a < b & c");
    EXPECT_FALSE(document->IsModified());
    EXPECT_TRUE(fs::exists(folder() + "/letter.htm")); // kept beside it once loaded
}

TEST_F(view_fixture, save_modified_follows_the_answer_and_the_mode)
{
    const struct {
        bool modified;
        int answer;
        int mode;
        bool result;
        bool file_left;
        int pending;
    } rows[] = {
        {false, 0, 0, true, true, 0},
        {false, 0, 1, true, false, 0},
        {true, IDYES, 0, true, true, 1},
        {true, IDNO, 0, true, true, 0},
        {true, IDNO, 1, true, false, 0},
        {true, IDCANCEL, 0, false, true, 0},
        {true, IDCANCEL, 1, false, true, 0},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(std::to_string(r.modified) + " " + std::to_string(r.answer) + " " + std::to_string(r.mode));
        context.edit_mode = r.mode;
        manager().SetPendingChange(0);
        auto path = folder() + "/body.quorbis_txt";
        write(path, "old");
        auto document = open(path);
        if (r.modified) {
            pair().document->input().type_text("new");
            host.expect_message("Save changes to Text body part?", MB_YESNOCANCEL | MB_ICONEXCLAMATION, r.answer);
        }
        EXPECT_EQ(document->SaveModified(), r.result);
        EXPECT_EQ(fs::exists(path), r.file_left);
        EXPECT_EQ(manager().GetPendingChange(), r.pending);
        if (r.answer == IDYES)
            EXPECT_NE(text_of(path).find("new"), std::string::npos);
        EXPECT_EQ(host.pending(), 0u);
        view.reset();
    }
}

TEST_F(view_fixture, save_and_exit_closes_only_after_a_save)
{
    auto document = open();
    int closed = 0;
    document->set_close_handler([&] { ++closed; });
    pair().document->input().type_text("x");
    host.expect_file_dialog({{}, {}}); // no name: the save is cancelled
    document->OnCmdMsg(ID_SAVE_AND_EXIT);
    EXPECT_EQ(closed, 0);
    EXPECT_EQ(manager().GetPendingChange(), 0);

    document->SetPathName(folder() + "/missing-folder/x.quorbis_txt");
    document->OnSaveAndExit();
    EXPECT_EQ(closed, 0);
    EXPECT_EQ(manager().GetPendingChange(), 0);

    document->SetPathName(folder() + "/saved.quorbis_txt");
    document->OnSaveAndExit();
    EXPECT_EQ(closed, 1);
    EXPECT_EQ(manager().GetPendingChange(), 1);
    EXPECT_EQ(text_of(folder() + "/saved.quorbis_txt"), "x");
}

TEST_F(view_fixture, cancel_and_exit_asks_and_cancel_keeps_it_open)
{
    auto document = open();
    int closed = 0;
    document->set_close_handler([&] { ++closed; });
    document->OnCmdMsg(ID_CANCEL_AND_EXIT);
    EXPECT_EQ(closed, 1);
    pair().document->input().type_text("x");
    host.expect_message("Save changes to Text body part?", MB_YESNOCANCEL | MB_ICONEXCLAMATION, IDCANCEL);
    document->OnCancelAndExit();
    EXPECT_EQ(closed, 1);
    EXPECT_EQ(host.message_help_contexts.back(), 61699);
    EXPECT_FALSE(document->OnCmdMsg(1234));
}

TEST_F(view_fixture, closing_a_frame_removes_scratch_files_of_the_working_folder_only)
{
    auto user_file = folder() + "/mine.quorbis_txt";
    write(user_file, "text");
    write(folder() + "/mine.htm", "<p>text</p>");
    write(folder() + "/mine.tmp", "");
    auto document = open(user_file);
    document->PreCloseFrame(2);
    EXPECT_TRUE(fs::exists(user_file));
    EXPECT_TRUE(fs::exists(folder() + "/mine.htm"));
    EXPECT_TRUE(fs::exists(folder() + "/mine.tmp"));

    // A link in the working folder goes; the file it names stays.
    auto link = manager().GetTempFolder() + "/linked.quorbis_txt";
    fs::create_symlink(user_file, link);
    document->SetPathName(link);
    document->PreCloseFrame(2);
    EXPECT_FALSE(fs::is_symlink(link));
    EXPECT_TRUE(fs::exists(user_file));

    auto scratch = manager().GetTempFolder() + "/qbw1.quorbis_txt";
    write(scratch, "x");
    write(manager().GetTempFolder() + "/qbw1.htm", "x");
    write(manager().GetTempFolder() + "/qbw1.tmp", "");
    document->SetPathName(scratch);
    context.edit_mode = 1;
    document->PreCloseFrame(2);
    EXPECT_TRUE(fs::exists(scratch));
    context.edit_mode = 0;
    ASSERT_TRUE(manager().SetDocFileName(2, scratch));
    document->PreCloseFrame(2);
    EXPECT_TRUE(fs::exists(scratch));
    document->PreCloseFrame(1);
    EXPECT_FALSE(fs::exists(scratch));
    EXPECT_FALSE(fs::exists(manager().GetTempFolder() + "/qbw1.htm"));
    EXPECT_FALSE(fs::exists(manager().GetTempFolder() + "/qbw1.tmp"));
}

TEST_F(view_fixture, lies_in_folder_resolves_the_folders_only)
{
    auto inner = folder() + "/inner";
    fs::create_directories(inner);
    fs::create_symlink(inner, folder() + "/alias");
    EXPECT_TRUE(lies_in_folder(inner + "/a.txt", inner));
    EXPECT_TRUE(lies_in_folder(folder() + "/alias/a.txt", inner));
    EXPECT_TRUE(lies_in_folder(inner + "/../inner/a.txt", inner));
    EXPECT_FALSE(lies_in_folder(inner + "/sub/a.txt", inner));
    EXPECT_FALSE(lies_in_folder(folder() + "/a.txt", inner));
    EXPECT_FALSE(lies_in_folder("", inner));
    EXPECT_FALSE(lies_in_folder(inner + "/a.txt", ""));
}

TEST_F(view_fixture, an_editor_that_cannot_be_made_is_reported_once_and_the_frame_closed)
{
    factory_works = false;
    host.expect_message("Failed to create empty document.", MB_OK | MB_ICONEXCLAMATION, platform::ui::IDOK);
    auto document = open();
    EXPECT_EQ(frame.closes, 1);
    EXPECT_EQ(view->site(), nullptr);
    EXPECT_TRUE(view->GetHTMLDocument().empty());
    EXPECT_EQ(view->GetPageText(true), "");
    EXPECT_EQ(view->GetPageHTML(1), "");
    EXPECT_FALSE(document->IsModified());
    EXPECT_EQ(host.pending(), 0u);
}

TEST_F(view_fixture, ctrl_o_and_ctrl_s_reach_the_framework_first)
{
    auto document = open<lite_document>();
    load("<html><body><p id=\"p\">ab</p></body></html>");
    caret_at_end_of("p");
    queue.set_key_state(17, true);
    EXPECT_TRUE(view->PreTranslateMessage({1, platform::ui::WM_KEYDOWN, 'S', 0}));
    EXPECT_TRUE(view->PreTranslateMessage({1, platform::ui::WM_KEYDOWN, 'O', 0}));
    ASSERT_EQ(frame.translated.size(), 2u);
    queue.set_key_state(17, false);
    EXPECT_TRUE(view->PreTranslateMessage({1, platform::ui::WM_KEYDOWN, 9, 0}));
    EXPECT_EQ(frame.translated.size(), 2u); // the component's Tab
    std::string html;
    by_id("p")->inner_html(html);
    EXPECT_EQ(html, "ab&nbsp;&nbsp;&nbsp;&nbsp;");
}

// A document whose save can be made to fail.
class failing_save_document final : public html::document {
public:
    explicit failing_save_document(std::unique_ptr<html::document> inner) : inner_(std::move(inner)) { }
    bool fail = false;
    html::hresult init_new() override { return inner_->init_new(); }
    html::hresult load_file(std::string_view path) override { return inner_->load_file(path); }
    html::hresult load_url(std::string_view url) override { return inner_->load_url(url); }
    html::hresult load_bytes(std::string_view bytes, bool filter) override { return inner_->load_bytes(bytes, filter); }
    html::hresult save(std::string_view path, bool remember) override
    {
        return fail ? html::E_FAIL : inner_->save(path, remember);
    }
    std::string current_file() const override { return inner_->current_file(); }
    bool is_dirty() const override { return inner_->is_dirty(); }
    html::hresult close(bool save) override { return inner_->close(save); }
    void discard_undo() override { inner_->discard_undo(); }
    int ready_state() const override { return inner_->ready_state(); }
    html::element_ptr body() const override { return inner_->body(); }
    html::collection_ptr all() const override { return inner_->all(); }
    html::collection_ptr forms() const override { return inner_->forms(); }
    html::collection_ptr scripts() const override { return inner_->scripts(); }
    html::collection_ptr anchors() const override { return inner_->anchors(); }
    std::shared_ptr<html::selection> selection() override { return inner_->selection(); }
    html::element_ptr active_element() const override { return inner_->active_element(); }
    html::element_ptr element_from_point(html::point at) const override { return inner_->element_from_point(at); }
    std::string charset() const override { return inner_->charset(); }
    html::hresult put_charset(std::string_view name) override { return inner_->put_charset(name); }
    html::markup_services& markup() override { return inner_->markup(); }
    html::command_target& command_target() override { return inner_->command_target(); }
    html::input& input() override { return inner_->input(); }
    void set_hit_test(html::hit_test_port* port) override { inner_->set_hit_test(port); }
    std::string html() const override { return inner_->html(); }

private:
    std::unique_ptr<html::document> inner_;
};

std::size_t files_in(const std::string& folder)
{
    std::error_code ec;
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder, ec), fs::directory_iterator()));
}

TEST_F(view_fixture, the_page_source_keeps_its_charset_and_leaves_no_file)
{
    failing_save_document* wrapped = nullptr;
    context.services.document_factory = [&](html::document_host& document_host) -> std::unique_ptr<html::document> {
        html::headless_ports ports;
        ports.queue = &pages;
        auto made = std::make_unique<failing_save_document>(html::make_headless_document(document_host, ports));
        wrapped = made.get();
        return made;
    };
    // A temporary folder of this test's own: other tests running beside it leave theirs alone.
    struct private_temp_root {
        core::program_environment saved = core::current_program_environment();
        explicit private_temp_root(const std::string& root)
        {
            auto changed = saved;
            changed.temp_root = root;
            core::install_program_environment(changed);
        }
        ~private_temp_root() { core::install_program_environment(saved); }
    } temp_root(folder());
    auto document = open<lite_document>();
    load("<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1252\"></head>"
         "<body><p>caf\xE9</p></body></html>");
    const auto temp = core::standard_folder_path(0);
    const auto before = files_in(temp);
    auto source = view->GetPageSource();
    EXPECT_NE(source.find("caf\xE9"), std::string::npos) << source;
    EXPECT_EQ(files_in(temp), before);

    wrapped->fail = true;
    EXPECT_THROW(view->GetPageSource(), platform::com::com_error);
    EXPECT_EQ(files_in(temp), before);
    // The companion keeps what it held: the save fails before anything is written.
    auto path = folder() + "/kept.quorbis_txt";
    write(folder() + "/kept.htm", "earlier");
    document->SetPathName(path);
    EXPECT_FALSE(document->DoFileSave());
    EXPECT_EQ(text_of(folder() + "/kept.htm"), "earlier");
    EXPECT_FALSE(fs::exists(path));
}

TEST_F(view_fixture, backspace_after_a_picture_object_selects_it_then_deletes_it)
{
    auto document = open<lite_document>();
    load("<html><body><p id=\"p\"><span id=\"a\">a</span><!--Quorbis-object-start-->"
         "<img quorbis_id=\"picture1\" src=\"x.gif\"><!--Quorbis-object-end--><span id=\"b\">b</span></p></body></html>");
    auto at = pair().document->markup().create_pointer();
    ASSERT_EQ(at->move_adjacent_to_element(by_id("b"), html::adjacency::before_begin), html::S_OK);
    auto range = pair().document->selection()->create_range();
    ASSERT_EQ(pair().document->markup().move_range_to_pointers(*at, *at, *range), html::S_OK);
    ASSERT_EQ(range->select(), html::S_OK);
    pair().document->input().key_down(8);
    EXPECT_EQ(pair().document->selection()->type(), "Text");
    EXPECT_NE(body_html().find("IMG"), std::string::npos);
    pair().document->input().key_down(8);
    EXPECT_EQ(body_html(), "<P id=\"p\"><SPAN id=\"a\">a</SPAN><SPAN id=\"b\">b</SPAN></P>");
}

TEST_F(view_fixture, cut_copy_and_paste_follow_an_object_at_the_point_but_undo_does_not)
{
    auto document = open<lite_document>();
    load("<html><body><object id=\"o\" classid=\"x\"></object><p id=\"p\">x</p></body></html>");
    struct hit final : html::hit_test_port {
        html::element_ptr under;
        html::element_ptr element_at(html::point) override { return under; }
    } port;
    port.under = by_id("o");
    pair().document->set_hit_test(&port);
    ASSERT_TRUE(view->site()->show_context_menu({3, 4}));
    for (auto [id, enabled] : {std::pair {ID_EDIT_CUT, true}, {ID_EDIT_COPY, true}, {ID_EDIT_PASTE, true},
             {ID_EDIT_UNDO, false}, {ID_EDIT_REDO, false}}) {
        platform::ui::CmdUI ui;
        ui.id = id;
        view->commands().update(ui);
        EXPECT_EQ(ui.enabled, enabled) << id;
    }
    port.under = by_id("p");
    platform::ui::CmdUI cut;
    cut.id = ID_EDIT_CUT;
    view->commands().update(cut);
    EXPECT_FALSE(cut.enabled); // nothing selected
    pair().document->set_hit_test(nullptr);
}

TEST_F(view_fixture, the_context_menu_choice_reaches_the_frame)
{
    auto menus = platform::ui::MenuResources::load(platform::testing::share_folder() + "/talverin/menus.txt");
    context.services.menus = &menus;
    auto document = open();
    host.popup_answers.push_back(32777);
    pair().document->input().context_menu({10, 20});
    ASSERT_EQ(host.popups_shown.size(), 1u);
    EXPECT_NE(host.popups_shown[0].find(32777), nullptr);
    EXPECT_EQ(host.popups_shown[0].find(32772), nullptr); // the text menu has no picture
    EXPECT_EQ(frame.routed, (std::vector<int> {32777}));
    pair().document->input().context_menu({10, 20}); // dismissed
    EXPECT_EQ(frame.routed.size(), 1u);
}

TEST(list_insert, numbers_follow_the_largest_marker)
{
    const struct {
        std::int32_t counter;
        const char* text;
        std::int32_t next;
    } rows[] = {
        {0, "", 1},
        {4, "", 5},
        {4, "see (I7) and (I12) here", 13},
        {9, "plain text", 1},
        {0, "(I99999999999) then (I3)", 4},
        {0, "(I2147483647)", 1},
        {0, "(Iabc) (I", 1},
        {0, "(I5 unterminated", 1},
        {0, "(I05)", 6},
    };
    for (const auto& r : rows)
        EXPECT_EQ(next_list_insert_number(r.counter, r.text), r.next) << r.text;
}

TEST_F(view_fixture, the_list_insert_command_pastes_the_next_marker)
{
    auto document = open<lite_document>();
    load("<html><body><p id=\"p\">(I7)(I12)</p></body></html>");
    caret_at_end_of("p");
    view->commands().execute(ID_INSERT_LIST_ELEMENT);
    EXPECT_NE(body_html().find("(I13)"), std::string::npos) << body_html();
    EXPECT_EQ(context.list_insert_counter, 13);
    view->LoadBlankPage();
    pages.run_pending();
    EXPECT_EQ(context.list_insert_counter, 0);
}

TEST_F(view_fixture, view_source_opens_one_file_that_goes_at_exit)
{
    auto document = open<lite_document>();
    load("<html><body><p>a b</p></body></html>");
    view->commands().execute(ID_VIEW_SOURCE);
    ASSERT_EQ(host.shell_opened.size(), 1u);
    const auto& file = host.shell_opened[0];
    EXPECT_EQ(fs::path(file).extension(), ".txt");
    EXPECT_NE(text_of(file).find("<P>a b</P>"), std::string::npos) << text_of(file);
    auto later = context.temporary_paths.paths();
    EXPECT_NE(std::find(later.begin(), later.end(), file), later.end());
    context.temporary_paths.delete_all();
    EXPECT_FALSE(fs::exists(file));

    host.shell_open_works = false;
    host.expect_message(host.strings().text(20990), MB_OK | MB_ICONEXCLAMATION, platform::ui::IDOK);
    view->commands().execute(ID_VIEW_SOURCE);
    EXPECT_EQ(host.pending(), 0u);
    context.temporary_paths.delete_all();
}

TEST_F(view_fixture, preview_and_spelling_wait_for_their_services)
{
    EXPECT_EQ(text_preview_html("a<b & c\r\nd"), "a&lt;b &amp; c<br>d");
    auto document = open<lite_document>();
    load("<html><body><pre>a&lt;b &amp; c\nd</pre></body></html>");
    for (int id : {ID_PREVIEW_AS_TEXT, ID_CHECK_SPELLING, ID_INSERT_PICTURE, ID_INSERT_BOOKMARK}) {
        platform::ui::CmdUI ui;
        ui.id = id;
        view->commands().update(ui);
        EXPECT_FALSE(ui.enabled) << id;
    }
    scripted_objects objects;
    context.view_objects = &objects;
    platform::ui::CmdUI preview;
    preview.id = ID_PREVIEW_AS_TEXT;
    view->commands().update(preview);
    EXPECT_TRUE(preview.enabled);
    view->commands().execute(ID_PREVIEW_AS_TEXT);
    ASSERT_EQ(objects.previews.size(), 1u);
    EXPECT_EQ(objects.previews[0].first, "a&lt;b &amp; c<br>d");
    EXPECT_EQ(objects.previews[0].second, "Text Document Preview");

    view->commands().execute(ID_CHECK_SPELLING);
    EXPECT_EQ(objects.checks, 1);
    EXPECT_TRUE(fs::exists(context.services.locations.data + "/user.dic"));
    objects.speller_starts = false;
    view->commands().execute(ID_CHECK_SPELLING);
    EXPECT_EQ(objects.checks, 1);
    EXPECT_EQ(host.beeps, 1);
    context.view_objects = nullptr;
}

TEST_F(view_fixture, a_finished_download_takes_the_place_of_its_picture)
{
    auto document = open<lite_document>();
    load("<html><body><img id=\"a\" quorbis_id=\"picture3\" src=\"http://h/a.gif\">"
         "<a id=\"l\" quorbis_id=\"clickto4\" href=\"x\"><img id=\"b\" src=\"http://h/b.gif\"></a></body></html>");
    auto inside = manager().GetTempFolder() + "/a.gif";
    EXPECT_EQ(view->PutDownloadedFile(0, 3, inside, ""), 1);
    html::value src;
    by_id("a")->get_attribute("src", src);
    EXPECT_EQ(src.to_text(), "a.gif");
    EXPECT_EQ(view->PutDownloadedFile(3, 4, "/elsewhere/b c.gif", ""), 1);
    by_id("b")->get_attribute("src", src);
    EXPECT_EQ(src.to_text(), "file:///elsewhere/b c.gif");
    EXPECT_EQ(view->PutDownloadedFile(0, 99, inside, ""), 0);
    EXPECT_EQ(view->PutDownloadedFile(-1, 3, inside, ""), 0);
}

}
}

namespace shell::testing {
namespace {

using platform::ui::MB_ICONEXCLAMATION;
using platform::ui::MB_OK;

TEST_F(view_fixture, the_manager_opens_a_text_message_with_its_view)
{
    install_text_document(context, [this] { return &manager(); });
    platform::ui::DocManager documents;
    documents.AddDocTemplate(std::make_unique<platform::ui::DocTemplate>(132, "\nText\nText\nText\n.quorbis_txt\n\n",
        context.document_factories[2]));
    auto path = folder() + "/notes.quorbis_txt";
    write(path, "hello\r\nworld");
    ASSERT_EQ(documents.open_document_file(path), platform::ui::DocManager::Outcome::opened);
    pages.run_pending();
    auto* document = dynamic_cast<CWizardDoc*>(documents.current_document());
    ASSERT_NE(document, nullptr);
    ASSERT_EQ(documents.current_views().size(), 1u);
    auto* opened = document->FindWizardView();
    ASSERT_NE(opened, nullptr);
    EXPECT_EQ(opened->GetDocument(), document);
    EXPECT_EQ(opened->GetPageText(false), "hello\r\nworld");
    EXPECT_EQ(document->GetTitle(), "Text body part");

    factory_works = false;
    host.expect_message("Failed to create empty document.", MB_OK | MB_ICONEXCLAMATION, platform::ui::IDOK);
    EXPECT_EQ(documents.open_document_file(path), platform::ui::DocManager::Outcome::failed);
    EXPECT_EQ(documents.current_document(), document); // the open one stays
    EXPECT_EQ(host.pending(), 0u);
}

}
}

namespace shell::testing {
namespace {

// Downloads as the download service would be asked for them.
class recording_downloads final : public DownloadStarter {
public:
    std::vector<std::string> started;
    std::vector<std::uint64_t> serials;
    void start_object(const std::string& local_path, const std::string& address, std::int32_t id, int kind, bool refresh,
        std::uintptr_t notify_window, std::uint64_t document_serial) override
    {
        serials.push_back(document_serial);
        started.push_back("object " + local_path + " " + address + " " + std::to_string(id) + " " + std::to_string(kind)
            + " " + std::to_string(refresh) + " " + std::to_string(notify_window));
    }
    void start_pull_file(const std::string& pull_path, const std::string& picture_path, const std::string& pull_address,
        const std::string& picture_address, std::int32_t id, bool, bool, std::uintptr_t,
        std::uint64_t document_serial) override
    {
        serials.push_back(document_serial);
        started.push_back("pull [" + pull_path + "][" + picture_path + "][" + pull_address + "][" + picture_address
            + "] " + std::to_string(id));
    }
};

// Insert dialogs that answer OK with a fixed choice.
class accepting_dialogs final : public ViewObjectServices {
public:
    InsertChoice choice;
    std::vector<int> asked;
    bool has(int) const override { return true; }
    std::optional<InsertChoice> run_insert_dialog(int command, int, const editing::document_pair&) override
    {
        asked.push_back(command);
        return choice;
    }
    int run_bookmark_dialog(const editing::document_pair&, std::string&, html::element_ptr&) override { return 2; }
    bool has_click_to_talk(int, const editing::document_pair&) override { return true; }
    bool run_click_to_talk_dialog(int, const editing::document_pair&, std::string&, std::string&) override
    {
        return true;
    }
    void show_text_preview(const std::string&, const std::string&) override { }
    std::unique_ptr<Speller> make_speller(int, const std::string&, int) override { return nullptr; }
};

TEST_F(view_fixture, downloads_start_for_internet_addresses_and_missing_files)
{
    recording_downloads downloads;
    context.download_starter = &downloads;
    auto document = open();
    auto existing = folder() + "/have.gif";
    write(existing, "GIF89a");
    view->StartObjectDownload(folder() + "/new.gif", "http://host/new.gif", 3, 0, false);
    view->StartObjectDownload(existing, "http://host/have.gif", 4, 0, false);
    view->StartObjectDownload(existing, "http://host/have.gif", 5, 4, true);
    view->StartObjectDownload(folder() + "/local.gif", "/pictures/local.gif", 6, 0, true);
    view->StartObjectDownload(folder() + "/mail.gif", "mailto:a@b", 7, 5, true);
    view->StartPullFileDownload(folder() + "/p.zip", existing, "https://host/p.zip", "http://host/have.gif", 8, false,
        false);
    view->StartPullFileDownload(existing, existing, "http://host/have.gif", "http://host/have.gif", 9, false, false);
    EXPECT_EQ(downloads.started, (std::vector<std::string> {
                                     "object " + folder() + "/new.gif http://host/new.gif 3 0 0 77",
                                     "object " + existing + " http://host/have.gif 5 4 1 77",
                                     "pull [" + folder() + "/p.zip][][https://host/p.zip][] 8",
                                 }));
    // Each download carries the serial of the document that asked for it.
    EXPECT_EQ(downloads.serials, std::vector<std::uint64_t>(3, document->serial()));
    context.download_starter = nullptr;
}

TEST_F(view_fixture, a_text_message_takes_the_plain_reference_of_a_link)
{
    accepting_dialogs dialogs;
    dialogs.choice.reference_text = "mailto:a@b?subject=x&y";
    context.view_objects = &dialogs;
    auto path = folder() + "/t.quorbis_txt";
    write(path, "start");
    auto document = open(path);
    view->commands().execute(ID_INSERT_MAILTO);
    EXPECT_EQ(dialogs.asked, (std::vector<int> {ID_INSERT_MAILTO}));
    EXPECT_NE(view->GetPageText(false).find("mailto:a@b?subject=x&y"), std::string::npos) << view->GetPageText(false);
    EXPECT_EQ(body_html().find("<A"), std::string::npos) << body_html();
    context.view_objects = nullptr;
}

TEST_F(view_fixture, a_picture_is_written_marked_and_fetched)
{
    accepting_dialogs dialogs;
    recording_downloads downloads;
    dialogs.choice.write = [](const editing::document_pair&, const html::element_ptr& element) {
        return !html::failed(element->set_attribute("src", html::value(std::string("http://host/p.gif"))))
            && !html::failed(element->set_attribute("quorbis_id", html::value(std::string("picture2"))));
    };
    dialogs.choice.object_download = InsertChoice::Download {folder() + "/p.gif", "http://host/p.gif", false};
    dialogs.choice.object_id = 2;
    context.view_objects = &dialogs;
    context.download_starter = &downloads;
    auto document = open<lite_document>();
    load("<html><body><p id=\"p\">x</p></body></html>");
    caret_at_end_of("p");
    view->commands().execute(ID_INSERT_PICTURE);
    EXPECT_EQ(body_html(), "<P id=\"p\">x<!--Quorbis-object-start--><IMG src=\"http://host/p.gif\" quorbis_id=\"picture2\">"
                           "<!--Quorbis-object-end--></P>");
    EXPECT_EQ(downloads.started, (std::vector<std::string> {"object " + folder() + "/p.gif http://host/p.gif 2 0 0 77"}));

    // A click-to-talk form already in the page is refused with its message.
    host.expect_message("Click-To-Talk Form already exists in the document", MB_OK, platform::ui::IDOK);
    view->commands().execute(ID_INSERT_C2T_FORM);
    EXPECT_EQ(host.pending(), 0u);
    context.view_objects = nullptr;
    context.download_starter = nullptr;
}

}
}

#include "message_document_fixture.h"

#include "platform/ui/testing/scripted_host.h"
#include "shell/documents/save_options_panel.h"
#include "shell/objects/shell_text.h"

#include <gtest/gtest.h>
#include <sstream>

namespace shell {
namespace {

using platform::testing::read_file;
using platform::testing::write_file;
using platform::ui::testing::DialogDriver;
using platform::ui::testing::ImpossibleInteraction;
using testing::message_document_fixture;
using testing::snapshot_document;

namespace fs = std::filesystem;

const std::string page_1 = "<html><body><p>version 1</p></body></html>";
const std::string page_2 = "<html><body><p>version 2</p></body></html>";

struct recording_dispatcher final : broadcast::BroadcastDispatcher {
    std::vector<broadcast::broadcast_ref> jobs;
    void DispatchBroadcast(broadcast::broadcast_ref job) override { jobs.push_back(std::move(job)); }
};

struct message_document : message_document_fixture, ::testing::Test {
    std::string text(unsigned id, const std::vector<std::string>& arguments = {})
    {
        return platform::ui::format_message(host.strings().text(id), arguments);
    }

    bool open_clickto()
    {
        write_file(path("page.htm"), page_1);
        return open(path("page.htm"));
    }
};

TEST_F(message_document, saved_message_opens_again_and_file_new_empties_it)
{
    ASSERT_TRUE(save_as("news.htm", page_1));
    const auto files = files_of(path("news"));
    EXPECT_EQ(read_file(files.companion + "/Message_Files/Message_Body.htm"), page_1);
    EXPECT_NE(read_file(files.anchor).find("<title>Quorbis Save Results for project 'news'</title>"), std::string::npos);
    EXPECT_TRUE(fs::is_regular_file(files.body_parts));
    EXPECT_TRUE(fs::is_regular_file(files.manifest));
    EXPECT_EQ(doc().GetPathName(), files.anchor);
    EXPECT_EQ(doc().GetTitle(), "news");
    EXPECT_FALSE(doc().IsModified());
    EXPECT_TRUE(doc().HasMessageParts());

    new_document();
    EXPECT_EQ(doc().base_path(), "");
    EXPECT_EQ(doc().saved_page(), "");
    EXPECT_EQ(doc().source_name(), "");
    EXPECT_FALSE(doc().HasMessageParts());

    ASSERT_TRUE(open(files.anchor));
    EXPECT_EQ(doc().base_path(), path("news"));
    EXPECT_EQ(doc().saved_page(), page_1);
    EXPECT_EQ(view.shown, page_1);
    EXPECT_FALSE(doc().IsModified());
    view.page = page_2;
    EXPECT_TRUE(doc().IsModified());
}

TEST_F(message_document, opening_b_after_a_gives_b_and_a_failed_open_keeps_a)
{
    ASSERT_TRUE(save_as("a.htm", page_1));
    ASSERT_TRUE(save_as("b.htm", page_2));
    ASSERT_TRUE(open(path("a.htm")));
    ASSERT_TRUE(open(path("b.htm")));
    EXPECT_EQ(doc().base_path(), path("b"));
    EXPECT_EQ(view.shown, page_2);

    EXPECT_FALSE(open(path("missing.htm")));
    EXPECT_EQ(doc().base_path(), path("b"));
}

TEST_F(message_document, body_parts_without_their_folder_fail_and_stay)
{
    ASSERT_TRUE(save_as("news.htm", page_1));
    const auto files = files_of(path("news"));
    fs::remove_all(files.companion);
    const auto body_parts = read_file(files.body_parts);
    host.expect_message(text(34981, {files.companion, files.body_parts}), platform::ui::MB_OK | platform::ui::MB_ICONERROR,
        platform::ui::IDOK);
    EXPECT_FALSE(open(files.anchor));
    EXPECT_EQ(read_file(files.body_parts), body_parts);
}

TEST_F(message_document, a_page_never_saved_here_is_imported_sent_or_left)
{
    ASSERT_TRUE(save_as("a.htm", page_1));
    write_file(path("plain.htm"), "<p>plain</p>");
    const auto before = snapshot_document(files_of(path("plain")));

    // No: nothing changes, and without a dispatcher there is no Send.
    host.expect_dialog(265, [](DialogDriver& d) {
        EXPECT_THROW(d.click(8), ImpossibleInteraction);
        d.click(7);
    });
    EXPECT_FALSE(open(path("plain.htm")));
    EXPECT_EQ(doc().base_path(), path("a"));
    EXPECT_EQ(snapshot_document(files_of(path("plain"))), before);

    // Send: the job goes to the dispatcher and the open fails.
    recording_dispatcher dispatcher;
    std::vector<std::string> made_from;
    context.document_seams.dispatcher = &dispatcher;
    context.document_seams.make_job = [&](const std::string& file) -> std::optional<broadcast::broadcast_ref> {
        made_from.push_back(file);
        return broadcast::broadcast_ref::make(std::make_unique<broadcast::quorbis_broadcast>());
    };
    host.expect_dialog(265, [](DialogDriver& d) { d.click(8); });
    EXPECT_FALSE(open(path("plain.htm")));
    EXPECT_EQ(made_from, std::vector<std::string> {path("plain.htm")});
    EXPECT_EQ(dispatcher.jobs.size(), 1u);
    EXPECT_EQ(doc().base_path(), path("a"));

    // Yes: a new, unsaved message with the file's text as its body.
    host.expect_dialog(265, [](DialogDriver& d) { d.click(6); });
    ASSERT_TRUE(open(path("plain.htm")));
    EXPECT_EQ(doc().base_path(), "");
    EXPECT_EQ(doc().GetPathName(), "");
    EXPECT_EQ(doc().GetTitle(), "plain");
    EXPECT_EQ(view.shown, "<p>plain</p>");
    EXPECT_TRUE(doc().IsModified());
    EXPECT_EQ(snapshot_document(files_of(path("plain"))), before);
}

TEST_F(message_document, save_writes_only_the_parts_asked_for)
{
    struct row {
        int edit_mode;
        int mask;
        int write_every_part;
        int discard_on_close;
        std::array<bool, 3> parts;
    };
    const row rows[] = {
        {0, 1, 0, 1, {true, false, false}},
        {0, 7, 0, 1, {true, true, true}},
        {0, 1, 1, 1, {true, true, true}},
        {1, 1, 0, 1, {false, false, false}},
        {1, 1, 0, 0, {true, true, true}},
    };
    int n = 0;
    for (const auto& r : rows) {
        SCOPED_TRACE(n);
        new_document();
        for (int kind = 1; kind < 3; ++kind) {
            auto file = manager().MakeDocFileName(kind);
            ASSERT_TRUE(manager().SetDocFileName(kind, file));
            write_file(file, "body " + std::to_string(kind));
            write_file(replace_extension(file, ".htm"), "<p>body " + std::to_string(kind) + "</p>");
        }
        context.edit_mode = r.edit_mode;
        context.discard_on_close = r.discard_on_close;
        manager().set_save_mask(r.mask);
        manager().set_write_every_part(r.write_every_part);
        const auto name = "m" + std::to_string(n++);
        ASSERT_TRUE(save_as(name + ".htm", page_1));
        for (int kind = 0; kind < 3; ++kind)
            EXPECT_EQ(fs::exists(message_part_path(path(name), kind, "")), r.parts[kind]) << kind;
        if (r.parts[0]) {
            EXPECT_EQ(read_file(message_part_path(path(name), 0, "")), page_1);
        }
    }
    context.edit_mode = 0;
}

TEST_F(message_document, save_as_adds_the_page_extension)
{
    view.page = page_1;
    host.expect_file_dialog({{}, {path("report.txt")}});
    ASSERT_TRUE(doc().DoSave("", true));
    EXPECT_TRUE(fs::is_regular_file(path("report.txt.htm")));
    EXPECT_TRUE(fs::is_directory(path("report.txt_files")));
    EXPECT_EQ(doc().GetPathName(), path("report.txt.htm"));
}

TEST_F(message_document, skip_writes_nothing_and_the_next_save_writes)
{
    view.page = page_1;
    host.expect_file_dialog({[](DialogDriver& d) { d.click(IDC_SKIP_SAVE); }});
    EXPECT_TRUE(doc().DoSave("", true));
    EXPECT_TRUE(fs::is_empty(folder_path));

    host.expect_file_dialog({{}, {path("kept.htm")}});
    ASSERT_TRUE(doc().DoSave("", true));
    EXPECT_TRUE(fs::is_regular_file(path("kept.htm")));
}

TEST_F(message_document, a_failed_save_keeps_the_old_files_and_the_changes)
{
    ASSERT_TRUE(save_as("news.htm", page_1));
    const auto files = files_of(path("news"));
    const auto old_version = snapshot_document(files);
    for (auto step : {save_step::sync_staging, save_step::write_record}) {
        SCOPED_TRACE(static_cast<int>(step));
        doc().set_save_step_hook([step](save_step now) { return now != step; });
        view.page = page_2;
        host.expect_message(text(34985, {"the save was stopped before step " + std::to_string(static_cast<int>(step))}),
            platform::ui::MB_OK | platform::ui::MB_ICONERROR, platform::ui::IDOK);
        EXPECT_FALSE(doc().DoFileSave());
        EXPECT_EQ(snapshot_document(files), old_version);
        EXPECT_TRUE(doc().IsModified());
    }
    doc().set_save_step_hook({});
    ASSERT_TRUE(doc().DoFileSave());
    EXPECT_EQ(read_file(files.companion + "/Message_Files/Message_Body.htm"), page_2);
}

TEST_F(message_document, a_registered_form_name_asks_again_in_any_case)
{
    ASSERT_EQ(profile.write_string("SaveSettings\\Resent Forms", "MyForm", ""), platform::registry::status::ok);
    view.form_mode = true;
    view.form_name_in_page = "MyForm";
    view.submit = false;
    host.expect_dialog(208, [](DialogDriver& d) {
        EXPECT_EQ(d.current().GetDlgItemText(1096), "MyForm"); // the name already in the page
        d.type(1096, "");
        EXPECT_THROW(d.ok(), ImpossibleInteraction); // OK waits for a name
        d.type(1096, "a b");
        d.ok();
        d.type(1096, "myform");
        d.ok();
    });
    host.expect_message(text(138), platform::ui::MB_OK | platform::ui::MB_ICONSTOP, platform::ui::IDOK);
    host.expect_dialog(234, [](DialogDriver& d) { d.cancel(); });
    host.expect_dialog(208, [](DialogDriver& d) {
        EXPECT_EQ(d.current().GetDlgItemText(1096), "myform");
        d.type(1096, "Other1");
        d.ok();
    });
    host.expect_message(text(34984), platform::ui::MB_OK | platform::ui::MB_ICONEXCLAMATION, platform::ui::IDOK);
    ASSERT_TRUE(save_as("form.htm", page_1));
    EXPECT_EQ(view.registered_form, "Other1");

    host.expect_dialog(208, [](DialogDriver& d) { d.cancel(); });
    EXPECT_FALSE(doc().DoFileSave());
}

TEST_F(message_document, save_results_page_escapes_names_and_links_resolve)
{
    const std::string project = "a'b<c>&d #%";
    ASSERT_TRUE(save_as(project + ".htm", page_1));
    const auto page = read_file(path(project + ".htm"));
    EXPECT_NE(page.find("<title>Quorbis Save Results for project 'a'b&lt;c&gt;&amp;d #%'</title>"),
        std::string::npos)
        << page;
    EXPECT_EQ(page.find("<c>"), std::string::npos);
    const std::string link = "a%27b%3Cc%3E%26d%20%23%25_files/Message_Files";
    EXPECT_NE(page.find("href='" + link + "'"), std::string::npos) << page;
    EXPECT_TRUE(fs::is_directory(path(project + "_files/Message_Files")));
}

}
}

namespace shell {
namespace {

TEST_F(message_document, clickto_pictures_of_equal_titles_get_their_own_copies)
{
    context.edit_mode = 2;
    context.result_file_path = path("result.txt");
    write_file(path("one/logo.gif"), "first");
    write_file(path("two/logo.gif"), "second");
    auto& pictures = manager().dictionary().known(0).pictures;
    pictures[1].title = "logo.gif";
    pictures[1].source = path("one/logo.gif");
    pictures[2].title = "LOGO.gif";
    pictures[2].source = path("two/logo.gif");
    pictures[3].title = "remote.gif";
    pictures[3].pulled = 1;
    pictures[3].source = "http://127.0.0.1/remote.gif";
    view.page = page_1;
    ASSERT_TRUE(doc().DoSave(path("clickto.htm"), true));
    EXPECT_EQ(read_file(path("clickto.htm")), page_1);

    std::vector<std::string> lines;
    std::istringstream result(read_file(path("result.txt")));
    for (std::string line; std::getline(result, line);)
        lines.push_back(line);
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(fs::path(lines[0]).parent_path(), fs::path(lines[2]).parent_path());
    EXPECT_EQ(fs::path(lines[0]).filename(), "logo.gif");
    EXPECT_EQ(fs::path(lines[2]).filename(), "LOGO(0).gif");
    EXPECT_EQ(read_file(lines[0]), "first");
    EXPECT_EQ(read_file(lines[2]), "second");
    EXPECT_EQ(lines[1] + lines[3], "00");
    EXPECT_EQ(lines[4], "http://127.0.0.1/remote.gif");
    EXPECT_EQ(lines[5], "1");
    fs::remove_all(fs::path(lines[0]).parent_path());
    context.edit_mode = 0;
}

TEST_F(message_document, clickto_page_asks_before_closing_when_changed)
{
    context.edit_mode = 2;
    ASSERT_TRUE(open_clickto());
    view.page = page_2;
    host.expect_message(text(34983), platform::ui::MB_YESNOCANCEL | platform::ui::MB_ICONEXCLAMATION, platform::ui::IDCANCEL);
    EXPECT_FALSE(doc().SaveModified());
    host.expect_message(text(34983), platform::ui::MB_YESNOCANCEL | platform::ui::MB_ICONEXCLAMATION, platform::ui::IDNO);
    EXPECT_TRUE(doc().SaveModified());
    EXPECT_EQ(read_file(path("page.htm")), page_1);
    host.expect_message(text(34983), platform::ui::MB_YESNOCANCEL | platform::ui::MB_ICONEXCLAMATION, platform::ui::IDYES);
    EXPECT_TRUE(doc().SaveModified());
    EXPECT_EQ(read_file(path("page.htm")), page_2);
    context.edit_mode = 0;
}

}
}

namespace shell {
namespace {

TEST_F(message_document, display_results_opens_the_saved_page)
{
    manager().set_display_results(1);
    ASSERT_TRUE(save_as("shown.htm", page_1));
    EXPECT_EQ(host.shell_opened, std::vector<std::string> {path("shown.htm")});
}

}
}

#include "shell/documents/message_commands.h"

namespace shell {
namespace {

TEST_F(message_document, a_template_opens_as_a_new_message_and_stays_as_it_was)
{
    ASSERT_TRUE(save_as("template.htm", page_1));
    const auto files = files_of(path("template"));
    auto bytes = [&] {
        return read_file(files.anchor) + read_file(files.body_parts) + read_file(files.manifest)
            + read_file(files.companion + "/Message_Files/Message_Body.htm");
    };
    const auto template_bytes = bytes();
    context.current_config.SetTemplateFile(0, path("template.htm"));
    context.current_config.SetTemplateName(0, "Example Template 1");
    register_message_commands(context, *app);

    platform::ui::CmdUI item;
    item.id = ID_TEMPLATE_FIRST;
    app->commands().update(item);
    EXPECT_EQ(item.text, "Example Template 1");

    new_document();
    ASSERT_TRUE(app->commands().execute(ID_TEMPLATE_FIRST));
    attach_view();
    EXPECT_EQ(doc().base_path(), "");
    EXPECT_EQ(doc().GetPathName(), "");
    EXPECT_TRUE(doc().IsModified());
    EXPECT_EQ(view.shown, page_1);

    view.page = page_2;
    host.expect_file_dialog({{}, {path("mine.htm")}});
    ASSERT_TRUE(doc().DoFileSave());
    EXPECT_EQ(bytes(), template_bytes);
    EXPECT_EQ(read_file(path("mine_files/Message_Files/Message_Body.htm")), page_2);
}

}
}

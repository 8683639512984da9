#include "doc_manager_fixture.h"

#include "core/files/file_path.h"
#include "shell/documents/file_dialog_ex.h"
#include "shell/documents/save_options_panel.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

using namespace shell;
using namespace shell::testing;
using platform::ui::testing::DialogDriver;
using platform::ui::testing::ScriptedHost;
using answer = CTalverinDocManager::prompt_answer;

namespace {

constexpr int IDC_LITE = IDC_CREATE_HTML_BODY + 1;
constexpr int IDC_TEXT = IDC_CREATE_HTML_BODY + 2;

struct save_dialog_fixture : doc_manager_fixture {
    answer save(std::string& name) { return manager().DoPromptFileName(name, AFX_IDS_SAVEFILE, false, nullptr); }
    answer open(std::string& name) { return manager().DoPromptFileName(name, AFX_IDS_OPENFILE, true, nullptr); }

    std::optional<std::string> stored_mask(const std::string& name)
    {
        return profile.get_string("SaveSettings\\" + name, "SaveMask");
    }
    std::string last_path() { return profile.get_string("SaveSettings", "LastPath", ""); }
    std::string flat(const std::string& path_without_extension) { return core::encode_path_as_name(path_without_extension); }
};

// What the panel shows: the mask, whether the HTML box can be used, which size labels show.
struct panel_view {
    int mask;
    bool html_enabled;
    bool labels[3];
};

panel_view view_of(DialogDriver& driver, const CTalverinDocManager& manager)
{
    auto& panel = driver.current();
    return {manager.save_mask(), panel.item(IDC_CREATE_HTML_BODY).enabled,
        {panel.item(IDC_HTML_FILE_SIZE).visible, panel.item(IDC_HTML_FILE_SIZE + 1).visible,
            panel.item(IDC_HTML_FILE_SIZE + 2).visible}};
}

void expect_view(const panel_view& seen, const panel_view& wanted, const std::string& step)
{
    EXPECT_EQ(seen.mask, wanted.mask) << step;
    EXPECT_EQ(seen.html_enabled, wanted.html_enabled) << step;
    for (int kind = 0; kind < 3; ++kind)
        EXPECT_EQ(seen.labels[kind], wanted.labels[kind]) << step << " label " << kind;
}

}

TEST(SaveDialog, PanelClicksKeepOneBodyChosen)
{
    save_dialog_fixture f;
    ScriptedHost::FileDialogScript script;
    script.panel = [&](DialogDriver& d) {
        expect_view(view_of(d, f.manager()), {1, false, {true, false, false}}, "start");
        d.click(IDC_LITE);
        expect_view(view_of(d, f.manager()), {3, true, {true, true, false}}, "lite added");
        d.click(IDC_CREATE_HTML_BODY);
        expect_view(view_of(d, f.manager()), {2, true, {false, true, false}}, "html cleared");
        d.click(IDC_LITE);
        expect_view(view_of(d, f.manager()), {1, false, {true, false, false}}, "last cleared");
        EXPECT_TRUE(d.current().IsDlgButtonChecked(IDC_CREATE_HTML_BODY));
        d.click(IDC_TEXT);
        expect_view(view_of(d, f.manager()), {5, true, {true, false, true}}, "text added");
        d.click(IDC_DISPLAY_SAVE_RESULTS);
    };
    script.names = {f.folder() + "/offer.htm"};
    f.host.expect_file_dialog(script);
    std::string name;
    ASSERT_EQ(f.save(name), answer::chosen);
    EXPECT_EQ(name, f.folder() + "/offer.htm");
    EXPECT_EQ(f.manager().save_mask(), 5);
    EXPECT_EQ(f.manager().display_results(), 1);
}

TEST(SaveDialog, PanelShowsTheBodySizesAndTheSkipTip)
{
    save_dialog_fixture f;
    auto body = f.manager().MakeDocFileName(0);
    ASSERT_TRUE(f.manager().SetDocFileName(0, body));
    doc_manager_fixture::write(body, std::string(2048, 'x'));
    f.manager().set_save_mask(0);
    ScriptedHost::FileDialogScript script;
    script.panel = [&](DialogDriver& d) {
        EXPECT_EQ(d.current().GetDlgItemText(IDC_HTML_FILE_SIZE), "2 Kb");
        EXPECT_EQ(d.current().GetDlgItemText(IDC_HTML_FILE_SIZE + 1), "0 b");
        EXPECT_EQ(d.hover(IDC_SKIP_SAVE), "Skip Save and leave document as-is");
        d.f1(IDC_SKIP_SAVE);
        EXPECT_EQ(f.manager().save_mask(), 1); // a mask of 0 is shown as HTML only
    };
    f.host.expect_file_dialog(script);
    std::string name;
    EXPECT_EQ(f.save(name), answer::cancelled);
    EXPECT_EQ(f.host.popup_help_requests, std::vector<int> {1127});
}

TEST(SaveDialog, SingleBodyViewOffersTheHtmlBodyOnly)
{
    save_dialog_fixture f;
    f.manager().set_save_mask(6);
    f.manager().set_single_body_view(true);
    ScriptedHost::FileDialogScript script;
    script.panel = [&](DialogDriver& d) {
        auto& panel = d.current();
        EXPECT_EQ(f.manager().save_mask(), 1);
        EXPECT_TRUE(panel.IsDlgButtonChecked(IDC_CREATE_HTML_BODY));
        EXPECT_FALSE(panel.item(IDC_LITE).enabled);
        EXPECT_FALSE(panel.item(IDC_TEXT).enabled);
        EXPECT_FALSE(panel.item(IDC_HTML_FILE_SIZE + 1).visible);
        EXPECT_FALSE(panel.item(IDC_HTML_FILE_SIZE + 2).visible);
    };
    script.names = {f.folder() + "/single.htm"};
    f.host.expect_file_dialog(script);
    std::string name;
    ASSERT_EQ(f.save(name), answer::chosen);
    EXPECT_EQ(f.stored_mask(f.flat(f.folder() + "/single")), "1");
}

TEST(SaveDialog, CancelPutsTheMaskBackAndWritesNothing)
{
    save_dialog_fixture f;
    ScriptedHost::FileDialogScript script;
    script.panel = [](DialogDriver& d) { d.click(IDC_TEXT); };
    f.host.expect_file_dialog(script);
    std::string name = "kept";
    EXPECT_EQ(f.save(name), answer::cancelled);
    EXPECT_EQ(name, "kept");
    EXPECT_EQ(f.manager().save_mask(), 1);
    EXPECT_EQ(f.last_path(), "");
}

TEST(SaveDialog, ConfirmedSaveWritesMaskUnderTheDocumentAndTheFolder)
{
    save_dialog_fixture f;
    ScriptedHost::FileDialogScript script;
    script.panel = [](DialogDriver& d) { d.click(IDC_LITE); };
    script.names = {f.folder() + "/mail/offer.htm"};
    f.host.expect_file_dialog(script);
    std::string name;
    ASSERT_EQ(f.save(name), answer::chosen);
    const auto document = f.flat(f.folder() + "/mail/offer");
    EXPECT_EQ(f.manager().document_name(), document);
    EXPECT_EQ(f.stored_mask(document), "3");
    EXPECT_EQ(f.last_path(), f.folder() + "/mail");

    // The next dialog starts in that folder, with the message's own filter.
    f.host.expect_file_dialog({});
    EXPECT_EQ(f.save(name), answer::cancelled);
    const auto& request = f.host.file_requests.back();
    EXPECT_EQ(request.initial_folder, f.folder() + "/mail");
    EXPECT_EQ(request.title, "Save As");
    EXPECT_TRUE(request.save);
    EXPECT_EQ(request.filter, "Quorbis Message (*.htm)|*.htm||");
    EXPECT_EQ(request.filter_index, 1);
    EXPECT_EQ(request.default_extension, "htm");
}

TEST(SaveDialog, OpenDialogLeavesTheOpenedMessagesMaskAlone)
{
    save_dialog_fixture f;
    const auto b = f.folder() + "/b.htm";
    doc_manager_fixture::write(b, "anchor");
    ASSERT_TRUE(write_save_mask(f.profile, f.flat(f.folder() + "/b"), "4"));
    f.manager().set_save_mask(7); // message A's
    f.host.expect_open_file(b);
    std::string name;
    ASSERT_EQ(f.open(name), answer::chosen);
    EXPECT_EQ(name, b);
    EXPECT_EQ(f.stored_mask(f.flat(f.folder() + "/b")), "4");
    EXPECT_EQ(f.manager().document_name(), "");
    EXPECT_EQ(f.last_path(), f.folder());
    const auto& request = f.host.file_requests.back();
    EXPECT_FALSE(request.save);
    EXPECT_EQ(request.panel, nullptr);
    EXPECT_EQ(request.title, "Open");
    EXPECT_EQ(request.filter, "Quorbis Message (*.htm)|*.htm|Lite HTML Files (*.html; *.htm)|*.htm;*.html|"
                              "Plain Text File (*.txt)|*.txt|All Files (*.*)|*.*||");
}

TEST(SaveDialog, FilterIndexAboveThreeIsNotKept)
{
    save_dialog_fixture f;
    const auto b = f.folder() + "/b.htm";
    doc_manager_fixture::write(b, "anchor");
    for (auto [chosen, kept] : {std::pair {3, 3}, std::pair {4, 3}, std::pair {2, 2}}) {
        ScriptedHost::FileDialogScript script;
        script.names = {b};
        script.filter_index = chosen;
        f.host.expect_file_dialog(script);
        std::string name;
        ASSERT_EQ(f.open(name), answer::chosen);
        EXPECT_EQ(f.manager().filter_index(), kept) << chosen;
    }
}

TEST(SaveDialog, SkipEndsTheDialogWithoutANameOrAnyWrite)
{
    save_dialog_fixture f;
    ScriptedHost::FileDialogScript skip;
    skip.panel = [](DialogDriver& d) {
        d.click(IDC_TEXT);
        d.click(IDC_SKIP_SAVE);
    };
    f.host.expect_file_dialog(skip);
    std::string name = f.folder() + "/current.htm";
    EXPECT_EQ(f.save(name), answer::skipped);
    EXPECT_EQ(name, f.folder() + "/current.htm");
    EXPECT_EQ(f.last_path(), "");
    EXPECT_EQ(f.manager().document_name(), "");

    // The skip belonged to that dialog: the next one saves.
    ScriptedHost::FileDialogScript save;
    save.names = {f.folder() + "/next.htm"};
    f.host.expect_file_dialog(save);
    ASSERT_EQ(f.save(name), answer::chosen);
    EXPECT_EQ(f.stored_mask(f.flat(f.folder() + "/next")), "5");
}

TEST(SaveDialog, ReplacingAMessageAsksFirst)
{
    save_dialog_fixture f;
    const auto offer = f.folder() + "/offer.htm";
    doc_manager_fixture::write(offer, "anchor");
    const std::string replace = offer + " already exists.\nDo you want to replace it?";
    const unsigned yes_no = platform::ui::MB_YESNO | platform::ui::MB_ICONEXCLAMATION;

    ScriptedHost::FileDialogScript script;
    script.names = {offer, offer};
    f.host.expect_file_dialog(script);
    f.host.expect_message(replace, yes_no, platform::ui::IDNO);
    f.host.expect_message(replace, yes_no, platform::ui::IDYES);
    std::string name;
    ASSERT_EQ(f.save(name), answer::chosen);
    EXPECT_FALSE(f.manager().attachments_in_use());

    // An attachment held open elsewhere: the longer question, and Yes is remembered.
    const auto push = companion_folder(offer, "Push_Files");
    ASSERT_TRUE(core::file_path(core::file_path(push).parent_folder()).create_folder());
    ASSERT_TRUE(core::file_path(push).create_folder());
    doc_manager_fixture::write(push + "/report.pdf", "pdf");
    const int holder = ::open((push + "/report.pdf").c_str(), O_RDONLY);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(::flock(holder, LOCK_EX), 0);
    const std::string in_use_note = "Note: The prior document contained attachments that are in use by another application,";
    f.host.expect_file_dialog(script);
    f.host.expect_message(platform::ui::format_message(f.test.services.strings.text(IDS_REPLACE_IN_USE), {offer}), yes_no,
        platform::ui::IDYES);
    ASSERT_EQ(f.save(name), answer::chosen);
    EXPECT_TRUE(f.manager().attachments_in_use());
    EXPECT_NE(f.host.messages_shown.back().find(in_use_note), std::string::npos);
    ::close(holder);
}

TEST(SaveDialog, OpenWantsAFileItCanRead)
{
    save_dialog_fixture f;
    const auto missing = f.folder() + "/missing.htm";
    const auto there = f.folder() + "/there.htm";
    doc_manager_fixture::write(there, "anchor");
    ScriptedHost::FileDialogScript script;
    script.names = {missing, there};
    f.host.expect_file_dialog(script);
    f.host.expect_message(missing + "\n File not found.\nPlease verify the correct file name was given.",
        platform::ui::MB_OK | platform::ui::MB_ICONEXCLAMATION, platform::ui::IDOK);
    std::string name;
    ASSERT_EQ(f.open(name), answer::chosen);
    EXPECT_EQ(name, there);
}

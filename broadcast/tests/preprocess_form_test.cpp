#include "broadcast_ui_fixture.h"

#include "broadcast/child/run_hidden_and_wait.h"
#include "broadcast/job/form_preparation.h"
#include "broadcast/job/form_survey_greetings.h"
#include "core/files/file_path.h"
#include "core/util/strings.h"

#include <fstream>

using broadcast::FormSurveyGreetings;
using broadcast::quorbis_broadcast;
using platform::testing::read_file;
using platform::ui::testing::DialogDriver;

namespace {

const std::vector<std::string> greetings_bodies = {"Message_Body.htm", "Message_Body-AOL.htm", "Message_Body.txt"};

}

class PreprocessForm : public BroadcastUi {
protected:
    std::string program = FAKE_GREETINGS_EDITOR;
    int editor_runs = 0;

    broadcast::form_preparation preparation(bool form = true)
    {
        return {form, host, dialogs, program,
            [](const std::string& greetings, const std::string& redirector, bool remove_link) {
                std::vector<std::string> arguments {"-FormGreetingsEditMode", greetings, "-RedirectorerPath", redirector};
                if (remove_link)
                    arguments.push_back("-RemoveInsRedirectLnk");
                return arguments;
            },
            [this](const std::string& child, const std::vector<std::string>& arguments) {
                ++editor_runs;
                return broadcast::run_hidden_and_wait(queue, child, arguments);
            }};
    }

    void choose(int radio, const std::string& name = {})
    {
        host.expect_dialog(FormSurveyGreetings::template_id, [radio, name](DialogDriver& driver) {
            driver.click(radio);
            if (!name.empty())
                driver.type(FormSurveyGreetings::attachment_name, name);
            driver.ok();
        });
    }

    std::string greetings(bool attachment) { return broadcast::form_greetings_file(attachment); }
    std::string message_files(bool attachment)
    {
        return broadcast::form_companion_folder(greetings(attachment)) + "/Message_Files/";
    }
    // Greetings bodies an earlier run left behind.
    void leave_earlier_bodies(bool attachment)
    {
        for (const auto& name : greetings_bodies)
            platform::testing::write_file(message_files(attachment) + name, "earlier");
    }
    void script_editor(bool attachment, const std::string& script)
    {
        std::ofstream(greetings(attachment) + ".script") << script;
    }
};

TEST_F(PreprocessForm, AMessageThatIsNoFormIsLeftAsItIs)
{
    quorbis_broadcast job;
    write_bodies(job, {0});
    job.PreprocessForm(preparation(false));
    EXPECT_FALSE(job.is_form_);
    EXPECT_FALSE(job.stop_immediately_);
    EXPECT_EQ(editor_runs, 0);
}

TEST_F(PreprocessForm, SentAsTheMessageItselfNothingIsPrepared)
{
    quorbis_broadcast job;
    write_bodies(job, {0});
    choose(FormSurveyGreetings::send_as_message);
    job.PreprocessForm(preparation());
    EXPECT_FALSE(job.is_form_);
    EXPECT_FALSE(job.stop_immediately_);
    EXPECT_EQ(editor_runs, 0);
    EXPECT_TRUE(job.push_files().empty());
    EXPECT_TRUE(job.pull_files().empty());
    EXPECT_TRUE(job.redirector_name_.empty());
}

TEST_F(PreprocessForm, CancellingStopsTheJob)
{
    quorbis_broadcast job;
    write_bodies(job, {0});
    host.expect_dialog(FormSurveyGreetings::template_id, [](DialogDriver& driver) { driver.cancel(); });
    job.PreprocessForm(preparation());
    EXPECT_TRUE(job.stop_immediately_);
    EXPECT_EQ(editor_runs, 0);
}

TEST_F(PreprocessForm, AsAnAttachmentThePageTravelsUnderItsNameAndTheEditorRunsOnce)
{
    quorbis_broadcast job;
    write_bodies(job, {0, 2});
    choose(FormSurveyGreetings::send_as_attachment, "survey");
    job.PreprocessForm(preparation());
    ASSERT_FALSE(job.stop_immediately_);
    EXPECT_TRUE(job.is_form_);
    EXPECT_TRUE(job.send_form_as_attachment_);
    ASSERT_EQ(job.push_files().size(), 1u);
    EXPECT_EQ(core::file_path(job.push_files()[0]).file_name(), "survey.htm");
    EXPECT_EQ(read_file(job.push_files()[0]), "<p>body 0</p>");
    auto redirector = job.temp_folder() + "/Redirector/" + job.redirector_name_;
    EXPECT_EQ(read_file(redirector), "<p>body 0</p>");
    EXPECT_TRUE(job.pull_files().empty());
    EXPECT_EQ(read_file(greetings(true) + ".argv"),
        "-FormGreetingsEditMode\n" + greetings(true) + "\n-RedirectorerPath\n" + redirector + "\n-RemoveInsRedirectLnk\n");
    EXPECT_TRUE(broadcast::form_bodies_ready(greetings(true)));
    EXPECT_TRUE(queue.is_enabled(main_window));

    // Once per broadcast: the FTP broadcaster's second call does nothing.
    job.PreprocessForm(preparation());
    EXPECT_EQ(editor_runs, 1);
    EXPECT_EQ(job.push_files().size(), 1u);
}

TEST_F(PreprocessForm, AsAPullFileTheRedirectorIsPulled)
{
    quorbis_broadcast job;
    write_bodies(job, {0});
    choose(FormSurveyGreetings::send_as_pull_file);
    job.PreprocessForm(preparation());
    ASSERT_FALSE(job.stop_immediately_);
    EXPECT_FALSE(job.send_form_as_attachment_);
    ASSERT_EQ(job.pull_files().size(), 1u);
    EXPECT_EQ(core::file_path(job.pull_files()[0].path).file_name(), job.redirector_name_);
    EXPECT_NE(job.redirector_name_.find("redirector.html"), std::string::npos);
    EXPECT_TRUE(job.push_files().empty());
    auto argv = read_file(greetings(false) + ".argv");
    EXPECT_EQ(argv.find("-RemoveInsRedirectLnk"), std::string::npos) << argv;
}

TEST_F(PreprocessForm, AnEditorThatFailsStopsTheJobEvenBesideAnEarlierRunsBodies)
{
    struct failure {
        const char* what;
        const char* script;
        bool html_body;
        std::string editor; // empty: the fake editor
    } failures[] = {
        {"two bodies", "bodies=2", true, ""},
        {"exit 1", "exit=1", true, ""},
        {"killed", "kill", true, ""},
        {"missing program", "", true, root.file("bin/no-such-editor")},
        {"program named for the search path", "", true, "fake_greetings_editor"},
        {"no page for the redirector", "", false, ""},
    };
    for (const auto& f : failures) {
        quorbis_broadcast job;
        write_bodies(job, f.html_body ? std::vector<int> {0, 1} : std::vector<int> {1});
        leave_earlier_bodies(false);
        script_editor(false, f.script);
        program = f.editor.empty() ? FAKE_GREETINGS_EDITOR : f.editor;
        choose(FormSurveyGreetings::send_as_pull_file);
        job.PreprocessForm(preparation());
        EXPECT_TRUE(job.stop_immediately_) << f.what;
        EXPECT_TRUE(queue.is_enabled(main_window)) << f.what;
    }
}

class FormTransmitOptions : public BroadcastUi {
protected:
    // Runs the dialog with the script, expecting the box given, if any, while it runs;
    // the end code.
    int run(std::function<void(DialogDriver&)> script, FormSurveyGreetings& dialog, const std::string& box = {})
    {
        host.expect_dialog(FormSurveyGreetings::template_id, std::move(script));
        if (!box.empty())
            host.expect_message(box, platform::ui::MB_OK | platform::ui::MB_ICONERROR, platform::ui::IDOK);
        return dialog.DoModal();
    }
};

TEST_F(FormTransmitOptions, TheNameIsOnlyForAnAttachmentAndOkNeedsOne)
{
    FormSurveyGreetings dialog(dialogs, host);
    EXPECT_EQ(run([](DialogDriver& driver) {
        auto& shown = driver.current();
        EXPECT_TRUE(shown.IsDlgButtonChecked(FormSurveyGreetings::send_as_pull_file));
        EXPECT_EQ(shown.GetDlgItemText(FormSurveyGreetings::attachment_name), "form_attachment.htm");
        EXPECT_FALSE(shown.item(FormSurveyGreetings::attachment_name).enabled);
        driver.click(FormSurveyGreetings::send_as_attachment);
        EXPECT_TRUE(shown.item(FormSurveyGreetings::attachment_name).enabled);
        driver.type(FormSurveyGreetings::attachment_name, "");
        EXPECT_FALSE(shown.item(platform::ui::IDOK).enabled);
        driver.click(FormSurveyGreetings::send_as_message);
        EXPECT_TRUE(shown.item(platform::ui::IDOK).enabled);
        EXPECT_FALSE(shown.item(FormSurveyGreetings::attachment_name).enabled);
        driver.ok();
    }, dialog), platform::ui::IDOK);
    EXPECT_EQ(dialog.choice_, 0);
}

TEST_F(FormTransmitOptions, AttachmentNamesAreCheckedTrimmedAndGivenTheirExtension)
{
    struct row {
        const char* typed;
        bool refused_box; // string 20011
        const char* kept;  // the name taken, or null when the dialog stays open
    } rows[] = {
        {"a:b", true, nullptr},
        {"x|y.htm", true, nullptr},
        {"   ", false, nullptr},
        {" x ", false, "x.htm"},
        {"a.HTML", false, "a.HTML"},
        {"report.Htm", false, "report.Htm"},
        {"notes.txt", false, "notes.txt.htm"},
    };
    auto refusal = core::format_resource_cstring(20011, "\\/:*?\"<>|");
    for (const auto& r : rows) {
        FormSurveyGreetings dialog(dialogs, host);
        bool stayed_open = false;
        run([&](DialogDriver& driver) {
            driver.click(FormSurveyGreetings::send_as_attachment);
            driver.type(FormSurveyGreetings::attachment_name, r.typed);
            driver.ok();
            stayed_open = !driver.current().ended();
            if (stayed_open)
                driver.cancel();
        }, dialog, r.refused_box ? refusal : std::string());
        EXPECT_EQ(stayed_open, r.kept == nullptr) << r.typed;
        if (r.kept) {
            EXPECT_EQ(dialog.attachment_name_, r.kept) << r.typed;
        }
    }
}

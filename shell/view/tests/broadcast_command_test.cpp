#include "shell/view/broadcast_command.h"

#include "broadcast/job/quorbis_broadcast.h"
#include "shell/documents/recent_forms.h"
#include "shell/documents/tests/message_document_fixture.h"

#include <deque>

namespace shell::testing {
namespace {

struct recording_dispatcher final : broadcast::BroadcastDispatcher {
    void DispatchBroadcast(broadcast::broadcast_ref job) override { jobs.push_back(std::move(job)); }
    std::vector<broadcast::broadcast_ref> jobs;
};

namespace ui = platform::ui;
using ui::testing::DialogDriver;

// The form site as a script: each attempt takes the next answer, the status of the
// conversation or the reply of the validator post.
struct scripted_form_site final : FormSite {
    struct answer {
        std::int32_t status = 0;
        std::string text;
        bool unreachable = false;
    };
    std::deque<answer> answers;
    std::vector<std::string> attempts; // the exchange and the page file of each

    std::int32_t register_form_with_service(const std::string& body_path, const std::string& login,
        const std::string& password, std::string& message) override
    {
        attempts.push_back("conversation " + login + ":" + password + " " + body_path);
        const auto next = take();
        if (next.unreachable)
            throw std::runtime_error(next.text);
        message = next.text;
        return next.status;
    }
    std::string post_to_validator(const std::string& body_path) override
    {
        attempts.push_back("validator " + body_path);
        const auto next = take();
        if (next.unreachable)
            throw std::runtime_error(next.text);
        return next.text;
    }

private:
    answer take()
    {
        if (answers.empty()) {
            ADD_FAILURE() << "an attempt the test did not expect";
            return {};
        }
        auto next = answers.front();
        answers.pop_front();
        return next;
    }
};

struct broadcast_command : message_document_fixture {
    recording_dispatcher dispatcher;
    scripted_form_site form_site;
    bool running = false;
    std::vector<bool> running_asked;

    void run()
    {
        on_broadcast(doc(), {context, manager(), dispatcher, form_site, [this](bool activate) {
                                 running_asked.push_back(activate);
                                 return running;
                             }});
    }

    std::string text(unsigned id) { return host.strings().text(id); }

    // The save of a web form: the form's name asked (and confirmed when it was registered
    // before), then the file.
    void expect_form_save(const std::string& name, bool registered_before)
    {
        host.expect_dialog(208, [name](DialogDriver& d) {
            d.type(1096, name);
            d.ok();
        });
        if (registered_before)
            host.expect_dialog(234, [](DialogDriver& d) { d.ok(); });
        host.expect_file_dialog({{}, {path("form.htm")}});
    }

    // The values of the registered forms, "name=number" for a number.
    std::vector<std::string> recorded_forms()
    {
        const std::string section(recent_forms_section);
        const auto key = profile.section_key(section);
        auto names = profile.backing().value_names(platform::registry::hive::current_user, key);
        std::vector<std::string> values;
        for (const auto& name : names.ok() ? names.data : std::vector<std::string> {}) {
            const auto number = profile.get_int(section, name);
            values.push_back(number ? name + "=" + std::to_string(*number) : name);
        }
        return values;
    }
};

TEST(BroadcastCommand, SavesTheMessageAndHandsAJobOfItToTheDispatcher)
{
    broadcast_command f;
    ASSERT_TRUE(f.save_as("news.htm", "<html><body><p>Saved</p></body></html>"));
    f.view.page = "<html><body><p>Changed since</p></body></html>";
    f.doc().SetModifiedFlag(true);
    // Every broadcast asks where to save, in the dialog that also picks the bodies sent.
    f.host.expect_file_dialog({{}, {f.path("june.htm")}});
    f.run();
    ASSERT_EQ(f.dispatcher.jobs.size(), 1u);
    const auto& job = *f.dispatcher.jobs[0];
    EXPECT_EQ(job.name, "june");
    ASSERT_FALSE(job.bodies.empty());
    EXPECT_NE(read_file(job.bodies.at(0)).find("Changed since"), std::string::npos) << "the job holds what was saved";
    EXPECT_EQ(f.running_asked, std::vector<bool> {true});
    EXPECT_FALSE(f.doc().IsModified());
}

TEST(BroadcastCommand, ACancelledSaveOrARunningBroadcastSendsNothing)
{
    broadcast_command f;
    f.view.page = "<html><body><p>Never saved</p></body></html>";
    f.host.expect_file_dialog({}); // the Save As dialog, cancelled
    f.run();
    EXPECT_TRUE(f.dispatcher.jobs.empty());
    EXPECT_TRUE(f.running_asked.empty()) << "nothing after a cancelled save";

    f.running = true;
    f.host.expect_file_dialog({{}, {f.path("news.htm")}});
    f.run();
    EXPECT_TRUE(f.dispatcher.jobs.empty());
    EXPECT_EQ(f.running_asked, std::vector<bool> {true});
}


// What the user answers after the option dialog and the warning: a message box or the
// registration outcome dialog.
struct interaction {
    enum kind { message, outcome_dialog } what;
    std::string text;
    unsigned type; // the message's buttons and icon, the outcome dialog's kind
    int answer;
};

TEST(BroadcastCommand, AWebFormIsOfferedRegistrationBeforeItsBroadcast)
{
    enum option { cancel_option, broadcast_choice, register_choice };
    enum warning { no_warning, continue_broadcast, register_instead, close_warning };
    struct form_case {
        const char* name;
        bool registered_before;
        bool hidden_mode;
        option chosen;
        warning warned;
        std::vector<scripted_form_site::answer> answers;
        std::vector<interaction> interactions;
        std::size_t jobs;
        std::vector<std::string> recorded;
    };
    broadcast_command probe;
    const auto text = [&probe](unsigned id) { return probe.text(id); };
    const std::string again = "\r\n\r\n" + text(1127);
    const unsigned yes_no_info = ui::MB_YESNO | ui::MB_ICONINFORMATION;
    const std::string done_page = R"(<input type="hidden" name="ReturnCode1"0>)";
    const form_case cases[] = {
        {"a form registered before is broadcast without a warning", true, false, broadcast_choice, no_warning, {}, {},
            1, {"myform"}},
        {"a form never registered is broadcast unregistered on Continue", false, false, broadcast_choice,
            continue_broadcast, {}, {}, 1, {}},
        {"the warning's Register registers as the option dialog's would", false, false, broadcast_choice,
            register_instead, {{0, done_page}}, {{interaction::message, text(20046), yes_no_info, ui::IDYES}}, 1,
            {"MyForm=1"}},
        {"a registration without a broadcast now records the name", false, false, register_choice, no_warning,
            {{0, done_page}}, {{interaction::message, text(20046), yes_no_info, ui::IDNO}}, 0, {"MyForm=1"}},
        {"a re-registration records nothing new", true, false, register_choice, no_warning, {{0, done_page}},
            {{interaction::message, text(20046), yes_no_info, ui::IDYES}}, 1, {"myform"}},
        {"a refusal is shown and the user tries again", false, false, register_choice, no_warning,
            {{0, R"(name="ReturnCode1"-12>)"}, {0, done_page}},
            {{interaction::message, text(21076) + text(20060) + again, ui::MB_YESNO, ui::IDYES},
                {interaction::message, text(20046), yes_no_info, ui::IDYES}},
            1, {"MyForm=1"}},
        {"a return code without digits is no success", false, false, register_choice, no_warning,
            {{0, R"(<p>name="ReturnCode1"></p>)"}},
            {{interaction::message, R"(<p>name="ReturnCode1"></p>)" + again, ui::MB_YESNO, ui::IDNO}}, 0, {}},
        {"an empty reply asks to try again", false, false, register_choice, no_warning, {{0, ""}},
            {{interaction::message, again, ui::MB_YESNO, ui::IDNO}}, 0, {}},
        {"the conversation's success asks about the broadcast", false, true, register_choice, no_warning, {{2, ""}},
            {{interaction::message, text(20046), ui::MB_YESNO, ui::IDYES}}, 1, {"MyForm=1"}},
        {"a rejected password ends the command", false, true, register_choice, no_warning, {{-1, ""}},
            {{interaction::message, text(20045), ui::MB_OK | ui::MB_ICONSTOP, ui::IDOK}}, 0, {}},
        {"a warning of the site is shown without its trailing blanks", false, true, register_choice, no_warning,
            {{1, "Reason\r\nField \r\n"}}, {{interaction::outcome_dialog, "Reason\r\nField" + again, 1, ui::IDNO}},
            0, {}},
        {"an unreachable site is an error to retry", false, true, register_choice, no_warning,
            {{0, "Connection refused", true}, {2, ""}},
            {{interaction::outcome_dialog, "Connection refused" + again, 0, ui::IDYES},
                {interaction::message, text(20046), ui::MB_YESNO, ui::IDNO}},
            0, {"MyForm=1"}},
        {"a cancelled option dialog ends the command", false, false, cancel_option, no_warning, {}, {}, 0, {}},
        {"a closed warning ends the command", false, false, broadcast_choice, close_warning, {}, {}, 0, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        broadcast_command f;
        ASSERT_TRUE(f.save_as("news.htm", "<html><body><form><input type=submit></form></body></html>"));
        using platform::registry::status;
        if (c.registered_before)
            ASSERT_EQ(f.profile.write_string("SaveSettings\\Resent Forms", "myform", ""), status::ok);
        if (c.hidden_mode)
            ASSERT_EQ(f.profile.write_string("broadcast", "FormRegistration", "quennet"), status::ok);
        f.view.form_mode = true;
        f.expect_form_save("MyForm", c.registered_before);
        f.host.expect_dialog(c.registered_before ? 236 : 211, [&](DialogDriver& d) {
            if (c.registered_before)
                EXPECT_EQ(d.current().GetDlgItemText(1115), "&Re-Register Form: 'MyForm'");
            if (c.chosen == cancel_option)
                return d.cancel();
            d.click(c.chosen == broadcast_choice ? 1114 : 1115);
            d.ok();
        });
        if (c.registered_before && c.chosen == register_choice)
            f.host.expect_message(f.text(140), ui::MB_OKCANCEL | ui::MB_ICONEXCLAMATION, ui::IDOK);
        if (c.warned != no_warning) {
            f.host.expect_dialog(235, [&](DialogDriver& d) {
                if (c.warned == close_warning)
                    return d.cancel();
                d.click(c.warned == continue_broadcast ? 1 : 7);
            });
        }
        for (const auto& step : c.interactions) {
            if (step.what == interaction::message) {
                f.host.expect_message(step.text, step.type, step.answer);
                continue;
            }
            f.host.expect_dialog(207, [&](DialogDriver& d) {
                EXPECT_EQ(d.current().GetDlgItemText(1094), step.text);
                EXPECT_EQ(d.current().GetDlgItemText(1093), f.text(step.type == 0 ? 20047 : 20048));
                d.click(step.answer);
            });
        }
        f.form_site.answers.assign(c.answers.begin(), c.answers.end());
        f.run();
        EXPECT_EQ(f.host.pending(), 0u);
        EXPECT_TRUE(f.form_site.answers.empty());
        EXPECT_EQ(f.dispatcher.jobs.size(), c.jobs);
        EXPECT_EQ(f.recorded_forms(), c.recorded);
        EXPECT_EQ(f.view.form.name, "MyForm");
        EXPECT_EQ(f.view.form.state, c.registered_before ? 1 : 0);
        const auto body = f.doc().GetMessagePartPath(0);
        for (const auto& attempt : f.form_site.attempts) {
            EXPECT_EQ(attempt, c.hidden_mode ? "conversation " + f.context.current_config.GetLogin() + ":"
                          + f.context.current_config.GetPassword() + " " + body
                                             : "validator " + body);
        }
    }
}

}
}

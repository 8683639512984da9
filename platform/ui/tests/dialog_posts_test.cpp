#include "platform/testing/test_services.h"
#include "platform/ui/dialog.h"
#include "platform/ui/message_queue.h"
#include "platform/ui/testing/scripted_host.h"
#include "platform/ui/tick_clock.h"
#include "platform/ui/ui_host.h"

#include <atomic>
#include <cstdlib>
#include <gtest/gtest.h>
#include <thread>

using namespace platform;
namespace pt = platform::testing;

namespace {

const ui::DialogTemplates& templates()
{
    static const auto parsed = ui::DialogTemplates::parse(
        "dialog 40 \"Working\"\n"
        "static 1031 \"Starting\"\n"
        "progress 1030 range=0..4\n"
        "button 1 \"OK\"\n"
        "button 2 \"Cancel\"\n"
        "button 3 \"Later\" disabled\n"
        "end\n",
        "t");
    return parsed;
}

constexpr std::uint32_t step_message = ui::WM_USER + 5;

// Moves its bar one step per post and ends itself at the last, or is done there when it
// waits to be closed.
class worker_dialog : public ui::Dialog {
public:
    worker_dialog(ui::UiHost& host, bool ends) : Dialog(templates().get(40), host), ends_(ends) { }
    void OnMessage(std::uint32_t id, std::uintptr_t wparam, std::intptr_t) override
    {
        if (id != step_message)
            return;
        set_position(1030, static_cast<int>(wparam));
        SetDlgItemText(1031, "Step " + std::to_string(wparam));
        if (ends_ && wparam == 4)
            EndDialog(ui::IDOK);
    }
    bool ends_by_itself() const override { return true; }
    bool work_done() const override { return ended() || item(1030).position == 4; }

private:
    bool ends_;
};

struct queue_fixture {
    pt::test_services services;
    ui::steady_tick_clock ticks;
    ui::MessageQueue queue {ticks};
};

}

TEST(DialogPosts, ProgressBarKeepsItsPositionInsideItsRange)
{
    queue_fixture f;
    ui::testing::ScriptedHost host(f.services.services.strings);
    ui::Dialog dialog(templates().get(40), host);
    ASSERT_TRUE(dialog.create());
    EXPECT_EQ(dialog.item(1030).declared.kind, ui::ControlKind::progress);
    EXPECT_EQ(dialog.item(1030).position, 0);
    dialog.set_position(1030, 9);
    EXPECT_EQ(dialog.item(1030).position, 4);
    dialog.set_range(1030, 100, 400);
    EXPECT_EQ(dialog.item(1030).position, 100);
    dialog.set_position(1030, 250);
    EXPECT_EQ(dialog.item(1030).position, 250);
}

TEST(DialogPosts, WorkerPostsReachTheDialogOnTheUiThreadUntilItEnds)
{
    queue_fixture f;
    ui::testing::ScriptedHost host(f.services.services.strings);
    host.set_ui_queue(&f.queue);
    worker_dialog dialog(host, true);
    EXPECT_FALSE(dialog.post(step_message, 1)) << "not running before it is created";
    std::vector<bool> accepted;
    host.expect_dialog(40, [&](ui::testing::DialogDriver& driver) {
        std::thread worker([&] {
            for (std::uintptr_t step = 1; step <= 4; ++step)
                accepted.push_back(dialog.post(step_message, step));
        });
        EXPECT_TRUE(driver.wait_until([&] { return dialog.ended(); }));
        worker.join();
    });
    EXPECT_EQ(dialog.DoModal(), ui::IDOK);
    EXPECT_EQ(accepted, std::vector<bool>(4, true));
    EXPECT_EQ(dialog.GetDlgItemText(1031), "Step 4");
    EXPECT_FALSE(dialog.post(step_message, 1)) << "an ended dialog takes no posts";
    EXPECT_EQ(f.queue.pump(), 0);
}

TEST(HeadlessAnswers, LinesNameADialogAButtonAndTheStepsBeforeIt)
{
    auto answers = ui::parse_headless_answers("# answers\n177 2\r\n\n  40\t1 \n40 3\nx 1\n5\n6 7 8\n"
                                              "195 type 1087 June  news \n195 type 1021\n195 select 1038 Unicode (UTF-8)\n"
                                              "195 click 1115\n195 select 1035\n195 click 1115 now\n195 press 1\n");
    EXPECT_EQ(answers.buttons, (std::map<int, int> {{177, 2}, {40, 3}}));
    using step = ui::headless_step;
    const auto& steps = answers.steps[195];
    ASSERT_EQ(steps.size(), 4u);
    EXPECT_EQ(steps[0].what, step::action::type);
    EXPECT_EQ(steps[0].text, "June  news") << "the text as written, inner blanks kept";
    EXPECT_EQ(steps[1].text, "") << "typing nothing clears the edit";
    EXPECT_EQ(steps[2].what, step::action::select);
    EXPECT_EQ(steps[2].text, "Unicode (UTF-8)");
    EXPECT_EQ(steps[3].what, step::action::click);
    EXPECT_EQ(steps[3].control, 1115);
    ASSERT_EQ(answers.problems.size(), 6u);
    EXPECT_NE(answers.problems[0].find("line 6"), std::string::npos) << answers.problems[0];
}

TEST(HeadlessAnswers, StepsAreDoneAsAUserWouldBeforeTheButton)
{
    static const auto form = ui::DialogTemplates::parse("dialog 42 \"Form\"\n"
                                                        "edit 1001\n"
                                                        "combo 1002 items=\"Red|Green\"\n"
                                                        "list 1003 multi\n"
                                                        "button 1004 \"More\"\n"
                                                        "button 1005 \"Never\" disabled\n"
                                                        "button 1 \"OK\"\n"
                                                        "end\n",
        "t");
    struct form_dialog : ui::Dialog {
        explicit form_dialog(ui::UiHost& host) : Dialog(form.get(42), host) { }
        bool OnInitDialog() override
        {
            Dialog::OnInitDialog();
            item(1003).items = {"Ann", "Bob"};
            return true;
        }
        void OnCommand(int control, int code) override
        {
            if (control == 1004)
                ++more;
            Dialog::OnCommand(control, code);
        }
        int more = 0;
    };
    queue_fixture f;
    struct row {
        const char* answers;
        int end_code;
        const char* text;
        int colour;
        std::vector<int> people;
        int more;
    } rows[] = {
        {"42 type 1001 hello there\n42 select 1002 green\n42 select 1003 Bob\n42 click 1004\n42 click 1004\n42 1",
            ui::IDOK, "hello there", 1, {1}, 2},
        {"42 select 1002 #0\n42 1", ui::IDOK, "", 0, {}, 0},
        {"42 type 1001 x\n42 select 1002 Blue\n42 click 1004\n42 1", ui::IDCANCEL, "x", -1, {}, 0},
        {"42 click 1005\n42 1", ui::IDCANCEL, "", -1, {}, 0},
        {"42 type 1001 steps alone", ui::IDCANCEL, "steps alone", -1, {}, 0},
    };
    for (const auto& r : rows) {
        ::setenv("TALVERIN_HEADLESS_ANSWERS", r.answers, 1);
        ui::HeadlessHost host(f.services.services.strings);
        ::unsetenv("TALVERIN_HEADLESS_ANSWERS");
        form_dialog dialog(host);
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(dialog.DoModal(), r.end_code) << r.answers;
        ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(dialog.GetDlgItemText(1001), r.text) << r.answers;
        EXPECT_EQ(dialog.get_cur_sel(1002), r.colour) << r.answers;
        EXPECT_EQ(dialog.selected_items(1003), r.people) << r.answers;
        EXPECT_EQ(dialog.more, r.more) << r.answers;
    }
}

TEST(HeadlessAnswers, ListedButtonIsPressedAsAUserWould)
{
    queue_fixture f;
    struct row {
        const char* answers;
        int end_code;
    } rows[] = {
        {"40 1", ui::IDOK},
        {"40 3", ui::IDCANCEL},   // disabled
        {"40 99", ui::IDCANCEL},  // missing
        {"41 1", ui::IDCANCEL},   // another dialog's
    };
    for (const auto& r : rows) {
        ::setenv("TALVERIN_HEADLESS_ANSWERS", r.answers, 1);
        ui::HeadlessHost host(f.services.services.strings);
        ::unsetenv("TALVERIN_HEADLESS_ANSWERS");
        ui::Dialog dialog(templates().get(40), host);
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(dialog.DoModal(), r.end_code) << r.answers;
        ::testing::internal::GetCapturedStderr();
    }
}

TEST(HeadlessHost, RunsADialogThatEndsByItselfPrintingItsProgress)
{
    for (bool ends : {true, false}) {
        queue_fixture f;
        ui::HeadlessHost host(f.services.services.strings);
        host.set_ui_queue(&f.queue);
        worker_dialog dialog(host, ends);
        std::thread worker;
        ::testing::internal::CaptureStderr();
        // The worker starts once the dialog runs: its first post waits for the window.
        std::atomic<bool> started {false};
        worker = std::thread([&] {
            while (!dialog.post(step_message, 1))
                std::this_thread::yield();
            started = true;
            for (std::uintptr_t step = 2; step <= 4; ++step)
                dialog.post(step_message, step);
        });
        const int code = dialog.DoModal();
        worker.join();
        const std::string printed = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(code, ends ? ui::IDOK : ui::IDCANCEL);
        EXPECT_NE(printed.find("Step 4\n"), std::string::npos) << printed;
        EXPECT_NE(printed.find("100%\n"), std::string::npos) << printed;
        EXPECT_TRUE(started);
    }
}

#include "platform/testing/temporary_folder.h"
#include "platform/testing/test_services.h"
#include "platform/ui/application.h"
#include "platform/ui/dialog.h"
#include "platform/ui/tick_clock.h"
#include "platform/ui/ui_host.h"

#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <memory>

using namespace platform;

namespace {

// A host made from an answers text, as the program makes it from its environment.
std::unique_ptr<ui::HeadlessHost> scripted_host(const strings::string_table& strings, const char* answers)
{
    ::setenv("TALVERIN_HEADLESS_ANSWERS", answers, 1);
    auto host = std::make_unique<ui::HeadlessHost>(strings);
    ::unsetenv("TALVERIN_HEADLESS_ANSWERS");
    return host;
}

struct recording_app final : ui::Application {
    using Application::Application;
    bool InitInstance() override { return true; }
};

}

TEST(HeadlessScript, CommandAndFileLinesKeepTheirOrder)
{
    auto answers = ui::parse_headless_answers("command 33002\nfile /home/a b/June news.htm \nfile\ncommand x\n"
                                              "command 57603\ncommand 1 2\nfile ./x.htm\n");
    EXPECT_EQ(answers.commands, (std::vector<int> {33002, 57603}));
    EXPECT_EQ(answers.files, (std::vector<std::string> {"/home/a b/June news.htm", "./x.htm"}));
    ASSERT_EQ(answers.problems.size(), 3u);
    EXPECT_NE(answers.problems[0].find("line 3"), std::string::npos) << answers.problems[0];
}

// Each command waits until what the one before posted was handled; a quit ends the script.
TEST(HeadlessScript, CommandsAreChosenOneAtATimeUntilTheProgramQuits)
{
    platform::testing::test_services services;
    ui::steady_tick_clock ticks;
    ui::MessageQueue queue(ticks);
    ::testing::internal::CaptureStderr();
    auto host = scripted_host(services.services.strings, "command 1\ncommand 2\ncommand 99\ncommand 3\ncommand 4\n");
    recording_app app(queue, *host);
    std::vector<std::string> seen;
    ui::window_options options;
    options.handler = [&](const threads::message& m) -> std::intptr_t {
        if (m.id == ui::WM_USER)
            seen.push_back("posted " + std::to_string(m.wparam));
        return 0;
    };
    const auto window = queue.create_window(std::move(options));
    app.commands().on_command(1, 4, [&](int id) {
        seen.push_back("command " + std::to_string(id));
        queue.post(window, ui::WM_USER, static_cast<std::uintptr_t>(id));
        if (id == 3)
            queue.post_quit(7);
    });
    EXPECT_EQ(app.Run(), 7);
    ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(seen, (std::vector<std::string> {"command 1", "posted 1", "command 2", "posted 2", "command 3",
                        "posted 3"}));
}

TEST(HeadlessScript, FileDialogsTakeTheScriptedFilesInTurn)
{
    platform::testing::test_services services;
    platform::testing::temporary_folder folder;
    const auto taken = folder.file("taken.htm");
    std::ofstream(taken) << "x";
    const std::string script = "file " + folder.file("refused.htm") + "\nfile " + taken + "\nfile "
        + folder.file("new.htm") + "\nfile " + folder.file("last.htm") + "\n";
    ::testing::internal::CaptureStderr();
    auto host = scripted_host(services.services.strings, script.c_str());
    ui::OpenFileRequest save;
    save.save = true;
    save.overwrite_prompt = true;
    std::vector<std::string> checked;
    save.keep_open = [&](const std::string& name) {
        checked.push_back(name);
        return name.ends_with("refused.htm");
    };
    auto chosen = host->open_file(save);
    ASSERT_TRUE(chosen);
    EXPECT_EQ(chosen->path, folder.file("new.htm")) << "refused by the check, then an existing file not replaced";
    EXPECT_EQ(checked.size(), 3u);
    ui::OpenFileRequest open;
    EXPECT_EQ(host->open_file(open)->paths, std::vector<std::string> {folder.file("last.htm")});
    EXPECT_FALSE(host->open_file(open)) << "none left: cancelled";
    ::testing::internal::GetCapturedStderr();
}

#include "app_fixture.h"
#include "shell/doc_templates.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <thread>

using namespace shell;
using namespace shell::testing;
using platform::ui::DocTemplate;
namespace fs = std::filesystem;

namespace {

const char* const startup_lines[] = {
    "CMenuXP::InitializeHook()",
    "CSplashWnd::EnableSplashScreen",
    "AfxOleInit()",
    "AfxEnableControlContainer()",
    "InitSimpleMAPI()",
    "LoadStdProfileSettings()",
    "LoadCurrentConfig()",
    "ConvertConfigs()",
    "OleInitialize(NULL)",
    "InitInstance() return TRUE",
};

// The messages of the trace file, without their time stamps and the OS line.
std::vector<std::string> trace_messages(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t pos = 0;
    while (pos < text.size()) {
        auto end = text.find('\n', pos);
        std::string line = text.substr(pos, end - pos);
        pos = end == std::string::npos ? text.size() : end + 1;
        auto stamp_end = line.find(' ', line.find(' ') + 1); // "<date> <time> "
        line = line.substr(stamp_end + 1);
        if (line.rfind("OS: ", 0) != 0)
            lines.push_back(line);
    }
    return lines;
}

}

TEST(Startup, RefusedChildStartsShowNothingAndWriteNothing)
{
    const std::vector<std::string> cases[] = {
        {"-FormGreetingsEditMode", "notes.htm"},
        {"-FormGreetingsEditMode"},
        {"-ClicktoCustomizeEditMode"},
        {"-FormGreetingsEditMode", "x.greetingsy"},
    };
    for (const auto& arguments : cases) {
        app_fixture f;
        ASSERT_EQ(f.profile.write_string("Settings", "DocCharset", "utf-8"), platform::registry::status::ok);
        auto before = f.registry();
        auto outcome = f.start(arguments);
        EXPECT_EQ(outcome.kind, StartupOutcome::Kind::refused) << arguments[0];
        EXPECT_FALSE(outcome.reason.empty());
        abandon_startup(*f.app);
        f.app.reset();
        EXPECT_EQ(f.registry(), before) << arguments[0];
        EXPECT_EQ(f.queue.window_count(), 0u);
        EXPECT_EQ(f.ole.starts, 0); // refused before anything started
    }
}

TEST(Startup, AdmittedChildStartsReachTheirDocumentAndUseTheModesTemplates)
{
    struct mode_case {
        std::vector<std::string> arguments;
        std::array<std::string, 3> extensions;
    };
    const mode_case cases[] = {
        {{"-FormGreetingsEditMode", "/f/A.TXTGREETINGS"}, {".greetings", ".quorbis_lite", ".txtgreetings"}},
        {{"-FormGreetingsEditMode", "/f/a.greetings"}, {".greetings", ".quorbis_lite", ".txtgreetings"}},
        {{"-ClicktoCustomizeEditMode", "/f/page.htm"}, {".htm", ".quorbis_lite", ".txtgreetings"}},
        {{"/f/page.htm"}, {".htm", ".quorbis_lite", ".quorbis_txt"}},
    };
    for (const auto& c : cases) {
        app_fixture f;
        f.with_documents();
        f.openable = {c.arguments.back()};
        auto outcome = f.start(c.arguments);
        EXPECT_TRUE(outcome.runs()) << c.arguments.back() << ": " << outcome.reason;
        const auto& manager = *f.app->doc_manager();
        ASSERT_EQ(manager.templates().size(), 3u);
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(manager.extensions().at(i), c.extensions[static_cast<std::size_t>(i)]) << c.arguments.back();
            EXPECT_EQ(manager.templates()[static_cast<std::size_t>(i)]->GetDocString(DocTemplate::filterExt),
                c.extensions[static_cast<std::size_t>(i)]);
        }
        EXPECT_NE(manager.current_document(), nullptr);
        EXPECT_EQ(f.context.splash.enabled, f.context.edit_mode == 0);
    }
}

TEST(Startup, TemplateStringsHoldTheSevenFields)
{
    app_fixture f;
    platform::ui::DocManager manager;
    register_document_templates(manager, f.test.services.strings, 0, f.context.document_factories);
    const auto& html = *manager.templates()[0];
    EXPECT_EQ(html.resource_id(), 128u);
    EXPECT_EQ(html.GetDocString(DocTemplate::windowTitle), "Quorbis Veltrane Wizard");
    EXPECT_EQ(html.GetDocString(DocTemplate::docName), "Talverin Document");
    EXPECT_EQ(html.GetDocString(DocTemplate::fileNewName), "Talver");
    EXPECT_EQ(html.GetDocString(DocTemplate::filterName), "Quorbis Message (*.htm)");
    EXPECT_EQ(html.GetDocString(DocTemplate::regFileTypeId), "Wizard.HTMLDocument");
    EXPECT_EQ(html.GetDocString(DocTemplate::regFileTypeName), "Talver Document");
    EXPECT_FALSE(html.can_create());
    EXPECT_EQ(manager.templates()[1]->GetDocString(DocTemplate::regFileTypeId), "Wizard.HTMLLiteDocument");
    EXPECT_EQ(manager.templates()[2]->GetDocString(DocTemplate::docName), "");
}

TEST(Startup, HeadlessRunTracesItsStepsRunsAndWritesSettingsBack)
{
    app_fixture f;
    f.set_logging(1);
    auto outcome = f.start();
    ASSERT_TRUE(outcome.runs()) << outcome.reason;
    EXPECT_TRUE(fs::is_directory(f.test.services.locations.data + "/templates"));
    EXPECT_EQ(f.ole.starts, 2);
    EXPECT_EQ(f.app->Run(), 0); // no window: the loop ends at once
    auto messages = trace_messages(f.trace());
    std::vector<std::string> steps;
    for (const auto& line : messages) {
        if (line.rfind("CreateDirectory(", 0) == 0)
            EXPECT_EQ(line, "CreateDirectory(\"" + f.test.services.locations.data + "/templates\",NULL)");
        else if (line.rfind("CTalverinApp::", 0) != 0)
            steps.push_back(line);
    }
    EXPECT_EQ(steps, std::vector<std::string>(std::begin(startup_lines), std::end(startup_lines))) << f.trace();
    EXPECT_EQ(messages.size(), steps.size() + 2); // the folder made and the document not opened

    auto tree = f.registry();
    EXPECT_NE(tree.find(f.profile.section_key("Spelling"), "LCID"), nullptr);
    EXPECT_EQ(tree.find(f.profile.section_key("Broadcast"), "HTTPBroadcastURL"), nullptr);
    EXPECT_EQ(f.mail.unloads, 2); // after the failed bind and at exit
    f.app.reset();
    EXPECT_EQ(f.ole.ends, 2);

    // A second run finds the folder: no CreateDirectory line.
    app_fixture again;
    again.set_logging(1);
    fs::create_directories(again.test.services.locations.data + "/templates");
    ASSERT_TRUE(again.start().runs());
    EXPECT_EQ(again.trace().find("CreateDirectory"), std::string::npos);
}

TEST(Startup, AnUnusableSettingsStoreIsReportedOnceAndTraced)
{
    app_fixture f;
    f.set_logging(1);
    const std::string reason = "/home/u/.config/holvane/talverin/registry.txt:4: unterminated quoted text";
    f.test.registry().set_unusable_reason(reason);
    f.host.expect_message("The settings cannot be read: " + reason
            + "\nTalverin runs with default settings, and no change made in this run is saved. Mend or remove the "
              "file and start Talverin again to use it.",
        platform::ui::MB_OK | platform::ui::MB_ICONEXCLAMATION, platform::ui::IDOK);
    ASSERT_TRUE(f.start().runs());
    EXPECT_EQ(f.host.pending(), 0u);
    EXPECT_EQ(f.app->Run(), 0);
    auto lines = trace_messages(f.trace());
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "CTalverinApp::InitInstance() -- settings store unusable: " + reason),
        1);
}

TEST(Startup, LoggingOffWritesNoTrace)
{
    app_fixture f;
    f.set_logging(0);
    ASSERT_TRUE(f.start().runs());
    EXPECT_EQ(f.app->Run(), 0);
    EXPECT_FALSE(fs::exists(f.test.services.trace_log_path()));
}

TEST(Startup, FailedObjectRuntimeShowsMessage100OnceAndWritesNothing)
{
    for (int failing : {1, 2}) {
        app_fixture f;
        f.ole.failing_start = failing;
        auto before = f.registry();
        if (failing == 1)
            f.host.expect_message(
                "OLE initialization failed.  Make sure that the OLE libraries are the correct version.",
                platform::prompts::MB_OK, platform::prompts::IDOK);
        auto outcome = f.start();
        EXPECT_EQ(outcome.kind,
            failing == 1 ? StartupOutcome::Kind::refused_after_message : StartupOutcome::Kind::refused);
        abandon_startup(*f.app);
        f.app.reset();
        auto after = f.registry();
        if (failing == 2) {
            // The active configuration, made "Default", was loaded before the second start;
            // nothing else was written.
            const std::string configurations = "Software\\Holvane\\Talverin\\Configurations";
            (void)after.erase_key(configurations);
            after.visit([&](std::string_view path, const std::vector<platform::registry::named_value>& values, bool) {
                EXPECT_EQ(configurations.rfind(path, 0), 0u) << path;
                EXPECT_TRUE(values.empty()) << path;
            });
        } else {
            EXPECT_EQ(after, before);
        }
        EXPECT_EQ(f.ole.ends, failing - 1); // only what started is ended
    }
}

TEST(Startup, AFileThatCannotBeOpenedFailsTheStart)
{
    app_fixture f;
    auto outcome = f.start({"/nowhere/a.htm", "-bogus", "/nowhere/b.htm"});
    EXPECT_EQ(outcome.kind, StartupOutcome::Kind::refused);
    EXPECT_NE(outcome.reason.find("/nowhere/a.htm"), std::string::npos);
    EXPECT_EQ(f.warnings, (std::vector<std::string> {"parameter ignored: -bogus: unknown switch",
                              "parameter ignored: /nowhere/b.htm: second file name"}));
}

TEST(Shutdown, DeletesRecordedPathsWithoutFollowingLinks)
{
    app_fixture f;
    const std::string root = f.test.root.file("work");
    const std::string outside = f.test.root.file("outside");
    fs::create_directories(root + "/folder/sub");
    fs::create_directories(outside);
    { std::ofstream(root + "/folder/sub/x.txt") << "x"; }
    { std::ofstream(root + "/file.tar") << "t"; }
    { std::ofstream(outside + "/keep.txt") << "k"; }
    fs::create_directory_symlink(outside, root + "/link");
    fs::create_directory_symlink(outside, root + "/folder/inner-link");

    ASSERT_TRUE(f.start().runs());
    // Recorded from another thread, as the transfer task does.
    std::thread worker([&] {
        for (const auto& path : {root + "/file.tar", root + "/folder", root + "/missing", root + "/link",
                 std::string(), std::string("relative/path")})
            f.context.temporary_paths.add(path);
    });
    worker.join();
    f.set_logging(1);
    core::trace_enabled = 1;
    EXPECT_EQ(f.app->ExitInstance(), 0);

    EXPECT_FALSE(fs::exists(root + "/file.tar"));
    EXPECT_FALSE(fs::exists(root + "/folder"));
    EXPECT_FALSE(fs::exists(fs::symlink_status(root + "/link")));
    EXPECT_TRUE(fs::exists(outside + "/keep.txt"));
    EXPECT_TRUE(f.context.temporary_paths.paths().empty());
    auto trace = f.trace();
    EXPECT_NE(trace.find("refused to delete an empty path"), std::string::npos);
    EXPECT_NE(trace.find("refused to delete the relative path \"relative/path\""), std::string::npos);
}

TEST(Shutdown, TemporaryPathsTakeConcurrentAdds)
{
    TemporaryPaths paths;
    std::vector<std::thread> workers;
    for (int t = 0; t < 4; ++t)
        workers.emplace_back([&paths, t] {
            for (int i = 0; i < 100; ++i)
                paths.add("/nonexistent/" + std::to_string(t) + "/" + std::to_string(i));
        });
    for (auto& worker : workers)
        worker.join();
    EXPECT_EQ(paths.paths().size(), 400u);
    EXPECT_TRUE(paths.delete_all().empty()); // missing paths are not failures
}

#include "platform/gfx/bitmap.h"
#include "platform/locale/lcid.h"
#include "platform/registry/profile.h"
#include "platform/testing/memory_store.h"
#include "platform/testing/test_services.h"
#include "platform/ui/dialog.h"
#include "platform/ui/ui_host.h"

#include "platform/ui/doc_manager.h"
#include "platform/ui/testing/scripted_host.h"

#include <fstream>
#include <thread>
#include <vector>
#include <gtest/gtest.h>

using namespace platform;
namespace pt = platform::testing;

TEST(HeadlessHost, AnswersOkElseCancelElseNoAndCancelsDialogs)
{
    pt::test_services services;
    ui::HeadlessHost host(services.services.strings);
    const std::pair<unsigned, int> answers[] = {
        {ui::MB_OK, ui::IDOK}, {ui::MB_OKCANCEL | ui::MB_DEFBUTTON2, ui::IDOK},
        {ui::MB_YESNOCANCEL, ui::IDCANCEL}, {ui::MB_RETRYCANCEL, ui::IDCANCEL}, {ui::MB_YESNO, ui::IDNO},
    };
    for (auto [type, answer] : answers)
        EXPECT_EQ(host.message_box("question", type), answer) << type;
    EXPECT_EQ(host.message_box(61714u, ui::MB_OK, {"1", "9"}), ui::IDOK);

    auto templates = ui::DialogTemplates::parse("dialog 5 \"Five\"\nbutton 1 \"OK\"\nend\n", "t");
    ui::Dialog dialog(templates.get(5), host);
    EXPECT_EQ(dialog.DoModal(), ui::IDCANCEL);
    EXPECT_FALSE(dialog.created());
    EXPECT_EQ(host.open_file({"Open", "", ""}), std::nullopt);
    EXPECT_EQ(host.browse_folder("Select Folder", "/"), std::nullopt);
    EXPECT_EQ(ui::format_message("between %1 and %2, %3%", {"1", "32767"}), "between 1 and 32767, %3%");
}

TEST(Locale, UserDefaultLcidFromTheEnvironment)
{
    const std::pair<env::environment, int> cases[] = {
        {{}, 1033},
        {{{"LANG", "de_DE.UTF-8"}}, 1031},
        {{{"LANG", "fr_CA.UTF-8@x"}}, 3084},
        {{{"LANG", "pt"}}, 2070},
        {{{"LANG", "xx_YY"}}, 1033},
        {{{"LANG", "de_DE"}, {"LC_MESSAGES", "ja_JP.eucJP"}}, 1041},
        {{{"LC_ALL", "en_GB.UTF-8"}, {"LC_MESSAGES", "ja_JP"}}, 2057},
        {{{"LC_ALL", ""}, {"LANG", "C.UTF-8"}}, 1033},
    };
    for (const auto& [env, lcid] : cases)
        EXPECT_EQ(locale::user_default_lcid(env), lcid);
}

TEST(Profile, ReadsByTypeAndReplacesSections)
{
    pt::memory_store store;
    registry::profile profile(store, "Software\\Holvane\\Talverin");
    ASSERT_EQ(profile.write_string("A\\B", "text", "t"), registry::status::ok);
    ASSERT_EQ(profile.write_int("A\\B", "number", 7), registry::status::ok);
    ASSERT_EQ(profile.write_int("A\\B\\C", "inner", 1), registry::status::ok);
    EXPECT_EQ(profile.get_string("A\\B", "text"), "t");
    EXPECT_EQ(profile.get_string("A\\B", "number"), std::nullopt); // wrong type reads as missing
    EXPECT_EQ(profile.get_int("A\\B", "text", 3), 3);
    EXPECT_EQ(profile.get_int("A\\B", "number", 3), 7);

    ASSERT_EQ(profile.replace_section("A\\B", {{"only", std::string("x")}}), registry::status::ok);
    auto tree = store.snapshot();
    EXPECT_EQ(*tree.value_names("Software\\Holvane\\Talverin\\A\\B").data.begin(), "only");
    EXPECT_EQ(tree.value_names("Software\\Holvane\\Talverin\\A\\B").data.size(), 1u);
    EXPECT_EQ(profile.get_int("A\\B\\C", "inner", 0), 1); // subkeys stay

    registry::profile::write_batch batch;
    batch.write_int("A", "one", 1);
    batch.write_string("Z", "two", "2");
    store.fail_writes_under("Software\\Holvane\\Talverin\\Z");
    auto before = store.snapshot();
    EXPECT_NE(profile.apply(batch), registry::status::ok);
    EXPECT_EQ(store.snapshot(), before);
}

TEST(Bitmap, LoadsPngPicturesAndRefusesOthers)
{
    for (const char* name : {"330.png", "203.png"}) {
        std::string path = pt::share_folder() + "/talverin/bitmaps/" + name;
        auto declared = gfx::png_size(path);
        auto loaded = gfx::bitmap::load_png(path);
        ASSERT_TRUE(declared && loaded) << name;
        EXPECT_EQ(declared->width, loaded->width());
        EXPECT_EQ(declared->height, loaded->height());
    }
    EXPECT_EQ(gfx::png_size(pt::share_folder() + "/talverin/bitmaps/330.png")->width, 400);
    pt::temporary_folder folder;
    { std::ofstream(folder.file("short.png"), std::ios::binary) << "\x89PNG\r\n"; }
    for (std::string path : {pt::share_folder() + "/talverin/strings.txt", std::string("/nonexistent/x.png"),
             folder.file("short.png")}) {
        EXPECT_FALSE(gfx::png_size(path)) << path;
        EXPECT_FALSE(gfx::bitmap::load_png(path)) << path;
    }
}

TEST(UiHost, WaitCursorCountIsSharedByThreads)
{
    pt::test_services services;
    ui::HeadlessHost host(services.services.strings);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&host] {
            for (int i = 0; i < 1000; ++i)
                ui::WaitCursor wait(host);
        });
    }
    {
        ui::WaitCursor outer(host);
        for (auto& thread : threads)
            thread.join();
        EXPECT_EQ(host.wait_cursor_count(), 1);
    }
    EXPECT_EQ(host.wait_cursor_count(), 0);
}

namespace {

// A document that records where it was written.
class recorded_document final : public ui::Document {
public:
    using Document::Document;
    std::vector<std::string> written;
    bool OnOpenDocument(const std::string&) override { return true; }
    bool Serialize(const std::string& path) override
    {
        written.push_back(path);
        return true;
    }
};

}

TEST(Document, SaveModifiedAsksAndSavesUnderItsName)
{
    pt::test_services services;
    ui::testing::ScriptedHost host(services.services.strings);
    recorded_document document(&host);
    EXPECT_TRUE(document.SaveModified()); // not modified: nothing asked

    document.SetModifiedFlag();
    host.expect_message("Save changes to Untitled?", ui::MB_YESNOCANCEL | ui::MB_ICONEXCLAMATION, ui::IDCANCEL);
    EXPECT_FALSE(document.SaveModified());
    host.expect_message("Save changes to Untitled?", ui::MB_YESNOCANCEL | ui::MB_ICONEXCLAMATION, ui::IDNO);
    EXPECT_TRUE(document.SaveModified());
    EXPECT_TRUE(document.written.empty());

    host.expect_message("Save changes to Untitled?", ui::MB_YESNOCANCEL | ui::MB_ICONEXCLAMATION, ui::IDYES);
    host.expect_open_file("/docs/letter.htm");
    EXPECT_TRUE(document.SaveModified());
    EXPECT_EQ(document.written, std::vector<std::string> {"/docs/letter.htm"});
    EXPECT_EQ(document.GetPathName(), "/docs/letter.htm");
    EXPECT_EQ(document.GetTitle(), "letter.htm");
    EXPECT_FALSE(document.IsModified());
    ASSERT_EQ(host.file_requests.size(), 1u);
    EXPECT_TRUE(host.file_requests[0].save);
    EXPECT_TRUE(host.file_requests[0].overwrite_prompt);

    recorded_document hostless;
    EXPECT_FALSE(hostless.DoSave(""));
}

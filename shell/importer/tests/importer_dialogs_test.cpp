#include "shell/importer/html_import_binding.h"
#include "shell/importer/importer_dialogs.h"

#include "platform/testing/test_services.h"
#include "platform/ui/testing/scripted_host.h"

#include <gtest/gtest.h>

namespace shell {
namespace {

using platform::ui::testing::DialogDriver;
using platform::ui::testing::ImpossibleInteraction;
namespace prompts = platform::prompts;

struct importer_dialogs : ::testing::Test {
    platform::testing::test_services test;
    platform::ui::testing::ScriptedHost host {test.services.strings};
    platform::ui::DialogTemplates dialogs
        = platform::ui::DialogTemplates::load(test.services.locations.resources + "/talverin/dialogs.txt");
    UiImporterHost importer_host {host, dialogs};

    std::string text(unsigned id) { return host.strings().text(id); }
};

TEST_F(importer_dialogs, FormQuestionShowsItsPromptAndAnswersItsButtons)
{
    host.expect_dialog(274, [&](DialogDriver& d) {
        EXPECT_EQ(d.current().GetWindowText(), "Quorbis Veltrane Wizard 3.4");
        EXPECT_EQ(d.current().GetDlgItemText(34014), text(IDS_FORM_ELEMENTS_FOUND));
        d.click(1202);
    });
    EXPECT_EQ(importer_host.ask_form_action(), 1202);
    host.expect_dialog(274, [](DialogDriver& d) { d.click(102); });
    EXPECT_EQ(importer_host.ask_form_action(), 102);
    host.expect_dialog(274, [](DialogDriver& d) { d.cancel(); });
    EXPECT_EQ(importer_host.ask_form_action(), 2) << "closed: the importer reads it as Modify";
}

TEST_F(importer_dialogs, YesToAllAndTheNameLiveOnlyWhileHostedOutsideIsChecked)
{
    host.expect_dialog(178, [](DialogDriver& d) {
        EXPECT_EQ(d.current().GetWindowText(), "Missing file: logo.gif");
        EXPECT_THROW(d.click(1143), ImpossibleInteraction);
        EXPECT_THROW(d.type(1032, "x.gif"), ImpossibleInteraction);
        d.click(1084);
        d.type(1032, "http://cdn/logo.gif");
        d.click(1084);
        EXPECT_THROW(d.click(1143), ImpossibleInteraction);
        d.click(1084);
        d.click(1143);
    });
    auto answer = importer_host.ask_missing_resource("logo.gif");
    EXPECT_EQ(answer.button, 1143);
    EXPECT_TRUE(answer.hosted_outside);
    EXPECT_EQ(answer.name, "http://cdn/logo.gif");
    EXPECT_TRUE(answer.edited);

    host.expect_dialog(178, [](DialogDriver& d) { d.ok(); });
    answer = importer_host.ask_missing_resource("");
    EXPECT_EQ(answer.button, 1);
    EXPECT_FALSE(answer.hosted_outside);
    EXPECT_FALSE(answer.edited);
}

TEST_F(importer_dialogs, NoToAllAsksFirstAndNoReturnsToTheBox)
{
    host.expect_dialog(178, [&](DialogDriver& d) {
        EXPECT_EQ(d.current().GetWindowText(), "Missing HTML Resource");
        d.click(2);
        EXPECT_FALSE(d.current().ended());
        d.cancel();
        EXPECT_TRUE(d.current().ended());
    });
    const unsigned warning = prompts::MB_YESNO | prompts::MB_ICONWARNING | prompts::MB_DEFBUTTON2;
    host.expect_message(text(IDS_IGNORE_ALL_MISSING), warning, prompts::IDNO);
    host.expect_message(text(IDS_IGNORE_ALL_MISSING), warning, prompts::IDYES);
    EXPECT_EQ(importer_host.ask_missing_resource("").button, 2);
}

TEST_F(importer_dialogs, BrowseUsesTheResourceFilterAndTheMissingName)
{
    host.expect_open_file(std::string("/chosen/logo.gif"));
    EXPECT_EQ(importer_host.choose_resource_file("logo.gif"), std::optional<std::string>("/chosen/logo.gif"));
    ASSERT_EQ(host.file_requests.size(), 1u);
    EXPECT_EQ(host.file_requests[0].filter, text(IDS_RESOURCE_FILTER));
    EXPECT_EQ(host.file_requests[0].default_name, "logo.gif");
    host.expect_open_file(std::nullopt);
    EXPECT_EQ(importer_host.choose_resource_file("logo.gif"), std::nullopt);

    host.expect_message(text(IDS_NOT_OUR_PAGE), prompts::MB_OK | prompts::MB_ICONINFORMATION, prompts::IDOK);
    importer_host.warn_foreign_page();
}

}
}

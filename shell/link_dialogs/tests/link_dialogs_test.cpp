#include "shell/link_dialogs/link_dialogs.h"

#include "platform/strings/string_table.h"
#include "platform/testing/test_services.h"
#include "platform/ui/messages.h"
#include "platform/ui/testing/scripted_host.h"

#include <gtest/gtest.h>

namespace {

using platform::ui::testing::DialogDriver;
using platform::ui::testing::ScriptedHost;
using shell::CChooseImgDialog;
using shell::CClickToDialog;
using shell::CMailToDialog;
using shell::CPullFileDialog;

struct LinkDialogs : ::testing::Test {
    platform::ui::DialogTemplates dialogs
        = platform::ui::DialogTemplates::load(platform::testing::share_folder() + "/talverin/dialogs.txt");
    platform::strings::string_table strings;
    ScriptedHost host {strings};

    void TearDown() override { EXPECT_EQ(host.pending(), 0u); }
};

TEST_F(LinkDialogs, ATypeChoiceRewritesTheDestination)
{
    struct row {
        const char* type;
        const char* result;
    } rows[] = {
        {"https:", "https://host/x"},
        {"news:", "news:host/x"},
        {"(other)", "host/x"},
    };
    for (const auto& r : rows) {
        CClickToDialog dialog(dialogs.get(CClickToDialog::IDD), host);
        dialog.destination = "ftp://host/x";
        host.expect_dialog(CClickToDialog::IDD, [&](DialogDriver& user) {
            EXPECT_EQ(user.current().get_cur_sel(CClickToDialog::IDC_TYPE), 2); // "ftp:"
            user.select(CClickToDialog::IDC_TYPE, r.type);
            user.ok();
        });
        ASSERT_EQ(dialog.DoModal(), platform::ui::IDOK);
        EXPECT_EQ(dialog.destination, r.result) << r.type;
    }
}

TEST_F(LinkDialogs, AnEmptyDestinationStartsAsHttp)
{
    CClickToDialog dialog(dialogs.get(CClickToDialog::IDD), host, "Hyperlink Properties");
    host.expect_dialog(CClickToDialog::IDD, [](DialogDriver& user) {
        EXPECT_EQ(user.current().get_cur_sel(CClickToDialog::IDC_TYPE), 4);
        EXPECT_EQ(user.current().GetWindowText(), "Hyperlink Properties");
        user.ok();
    });
    ASSERT_EQ(dialog.DoModal(), platform::ui::IDOK);
    EXPECT_EQ(dialog.destination, "http://");
}

TEST_F(LinkDialogs, AGivenDestinationSurvivesAnUntouchedOk)
{
    struct row {
        const char* destination;
        int type;
    } rows[] = {
        {"mailto:a@b", 0},
        {"C:\\x.htm", 0},
        {"HTTP://X/Ab", 4},
        {"host/x", 0},
    };
    for (const auto& r : rows) {
        CClickToDialog dialog(dialogs.get(CClickToDialog::IDD), host);
        dialog.destination = r.destination;
        dialog.alternate_text = "alt";
        host.expect_dialog(CClickToDialog::IDD, [&](DialogDriver& user) {
            EXPECT_EQ(user.current().get_cur_sel(CClickToDialog::IDC_TYPE), r.type) << r.destination;
            EXPECT_EQ(user.current().GetWindowText(), "Click-To Properties");
            user.ok();
        });
        ASSERT_EQ(dialog.DoModal(), platform::ui::IDOK);
        EXPECT_EQ(dialog.destination, r.destination);
        EXPECT_EQ(dialog.alternate_text, "alt");
    }
}

TEST_F(LinkDialogs, BrowsingIsOnlyForFilesHostedHere)
{
    CPullFileDialog dialog(dialogs.get(CPullFileDialog::IDD), host);
    dialog.alternate_text = "get it";
    host.expect_dialog(CPullFileDialog::IDD, [](DialogDriver& user) {
        auto& shown = user.current();
        EXPECT_TRUE(shown.item(CPullFileDialog::IDC_BROWSE).enabled);
        user.click(CPullFileDialog::IDC_HOSTED_OUTSIDE);
        EXPECT_FALSE(shown.item(CPullFileDialog::IDC_BROWSE).enabled);
        EXPECT_THROW(user.click(CPullFileDialog::IDC_BROWSE), std::logic_error);
        user.click(CPullFileDialog::IDC_HOSTED_OUTSIDE);
        user.type(CPullFileDialog::IDC_ALT_TEXT, "typed");
        user.click(CPullFileDialog::IDC_BROWSE);
        user.ok();
    });
    host.expect_open_file("/home/u/offer.pdf");
    ASSERT_EQ(dialog.DoModal(), platform::ui::IDOK);
    EXPECT_EQ(dialog.pull_source, "/home/u/offer.pdf");
    EXPECT_EQ(dialog.alternate_text, "typed");
    EXPECT_EQ(dialog.hosted_outside, 0);
    ASSERT_EQ(host.file_requests.size(), 1u);
    EXPECT_EQ(host.file_requests[0].filter, "All Files (*.*)|*.*||");
    EXPECT_TRUE(host.file_requests[0].file_must_exist);
}

TEST_F(LinkDialogs, AHostedOutsideFileOpensWithoutBrowse)
{
    CPullFileDialog dialog(dialogs.get(CPullFileDialog::IDD), host);
    dialog.hosted_outside = 1;
    host.expect_dialog(CPullFileDialog::IDD, [](DialogDriver& user) {
        EXPECT_FALSE(user.current().item(CPullFileDialog::IDC_BROWSE).enabled);
        user.type(CPullFileDialog::IDC_SOURCE, "http://files.test/offer.pdf");
        user.ok();
    });
    ASSERT_EQ(dialog.DoModal(), platform::ui::IDOK);
    EXPECT_EQ(dialog.pull_source, "http://files.test/offer.pdf");
    EXPECT_EQ(dialog.hosted_outside, 1);
}

TEST_F(LinkDialogs, TheChooserListsSortedAndPreselectsByPrefix)
{
    CChooseImgDialog dialog(dialogs.get(CChooseImgDialog::IDD), host);
    dialog.choices = {"zebra.gif", "Apple.png", "banana.jpg"};
    dialog.selected = "BAN";
    host.expect_dialog(CChooseImgDialog::IDD, [](DialogDriver& user) {
        const auto& list = user.current().item(CChooseImgDialog::IDC_LIST);
        EXPECT_EQ(list.items, (std::vector<std::string> {"Apple.png", "banana.jpg", "zebra.gif"}));
        EXPECT_EQ(list.selection, 1);
        user.select(CChooseImgDialog::IDC_LIST, "zebra.gif");
        user.ok();
    });
    ASSERT_EQ(dialog.DoModal(), platform::ui::IDOK);
    EXPECT_EQ(dialog.selected, "zebra.gif");

    CChooseImgDialog none(dialogs.get(CChooseImgDialog::IDD), host);
    none.choices = {"a.gif"};
    none.selected = "x";
    host.expect_dialog(CChooseImgDialog::IDD, [](DialogDriver& user) { user.ok(); });
    ASSERT_EQ(none.DoModal(), platform::ui::IDOK);
    EXPECT_EQ(none.selected, "");
}

TEST_F(LinkDialogs, MailToFieldsComeBackAsTyped)
{
    CMailToDialog dialog(dialogs.get(CMailToDialog::IDD), host);
    dialog.subject = "Hello";
    host.expect_dialog(CMailToDialog::IDD, [](DialogDriver& user) {
        user.type(CMailToDialog::IDC_ADDRESS, "someone@example.test");
        user.type(CMailToDialog::IDC_ALT_TEXT, "write");
        user.ok();
    });
    ASSERT_EQ(dialog.DoModal(), platform::ui::IDOK);
    EXPECT_EQ(dialog.email_address, "someone@example.test");
    EXPECT_EQ(dialog.subject, "Hello");
    EXPECT_EQ(dialog.alternate_text, "write");
}

}

#include "broadcast/form_site/registration_dialogs.h"
#include "platform/prompts/message_box.h"
#include "platform/strings/string_table.h"
#include "platform/ui/dialog_template.h"
#include "platform/ui/stock_icons.h"
#include "platform/ui/testing/scripted_host.h"

#include <gtest/gtest.h>

using namespace broadcast;
using platform::ui::testing::DialogDriver;
using platform::ui::testing::ImpossibleInteraction;
namespace prompts = platform::prompts;

namespace {

class RegistrationDialogs : public ::testing::Test {
protected:
    std::string text(unsigned id) const { return strings.text(id); }

    platform::strings::string_table strings = platform::strings::string_table::load(TALVERIN_STRINGS);
    platform::ui::DialogTemplates dialogs = platform::ui::DialogTemplates::load(TALVERIN_DIALOGS);
    platform::ui::testing::ScriptedHost host {strings};
};

}

TEST_F(RegistrationDialogs, TheBroadcastWarningContinuesOrRegisters)
{
    struct warn_case {
        int button;
        int end_code;
    };
    for (auto c : {warn_case {1, prompts::IDOK}, warn_case {7, prompts::IDNO}}) {
        CFormBroadcastWarnDlg warning(dialogs.get(CFormBroadcastWarnDlg::IDD), host);
        host.expect_dialog(235, [&](DialogDriver& d) {
            EXPECT_EQ(d.current().GetDlgItemText(34014), text(152));
            EXPECT_EQ(d.current().GetWindowText(), text(57344));
            EXPECT_EQ(d.current().item(1095).image, platform::ui::stock_icon_exclamation);
            d.click(c.button);
        });
        EXPECT_EQ(warning.DoModal(), c.end_code);
    }
}

TEST_F(RegistrationDialogs, ChoosingToRegisterANamedFormWarnsOfThePurge)
{
    CBroadcastOption option(dialogs.get(CBroadcastOption::IDD_REREGISTER), "Survey1", host);
    option.choice = 1;
    host.expect_dialog(236, [&](DialogDriver& d) {
        EXPECT_EQ(d.current().GetDlgItemText(1115), "&Re-Register Form: 'Survey1'");
        EXPECT_TRUE(d.current().IsDlgButtonChecked(1115));
        d.click(9);
        d.f1(1115);
        d.ok(); // Cancel in the warning keeps the dialog
        d.ok();
    });
    const auto type = prompts::MB_OKCANCEL | prompts::MB_ICONEXCLAMATION;
    host.expect_message(text(140), type, prompts::IDCANCEL);
    host.expect_message(text(140), type, prompts::IDOK);
    EXPECT_EQ(option.DoModal(), prompts::IDOK);
    EXPECT_EQ(option.choice, 1);
    EXPECT_EQ(host.help_keywords, (std::vector<std::string> {"Broadcast", "Broadcast"}));
    EXPECT_TRUE(host.help_requests.empty());
}

TEST_F(RegistrationDialogs, AFormWithoutANameIsRegisteredWithoutTheWarning)
{
    CBroadcastOption option(dialogs.get(CBroadcastOption::IDD_REGISTER), "", host);
    host.expect_dialog(211, [&](DialogDriver& d) {
        EXPECT_EQ(d.current().GetDlgItemText(1115), "&Register form");
        EXPECT_TRUE(d.current().IsDlgButtonChecked(1115));
        d.ok();
    });
    EXPECT_EQ(option.DoModal(), prompts::IDOK);
    EXPECT_EQ(option.choice, 1);
}

TEST_F(RegistrationDialogs, BroadcastingANamedFormAsksNothing)
{
    CBroadcastOption option(dialogs.get(CBroadcastOption::IDD_REREGISTER), "Survey1", host);
    host.expect_dialog(236, [&](DialogDriver& d) {
        d.click(1114);
        d.ok();
    });
    EXPECT_EQ(option.DoModal(), prompts::IDOK);
    EXPECT_EQ(option.choice, 0);
}

TEST_F(RegistrationDialogs, TheOutcomeDialogShowsHeadingIconAndCaptionByKind)
{
    struct kind_case {
        int kind;
        std::string heading;
        int icon;
        std::string caption;
        int button;
    };
    const kind_case cases[] = {
        {0, text(20047), platform::ui::stock_icon_stop, "Form registration was unsuccessful", prompts::IDYES},
        {1, text(20048), platform::ui::stock_icon_exclamation, "Form registration was successful", prompts::IDNO},
        {2, "", 0, "Form registration was unsuccessful", prompts::IDYES},
    };
    for (const auto& c : cases) {
        CRegistrationErrorDlg outcome(dialogs.get(CRegistrationErrorDlg::IDD), "Reason\r\nField", c.kind, host);
        host.expect_dialog(207, [&](DialogDriver& d) {
            EXPECT_EQ(d.current().GetDlgItemText(1093), c.heading) << c.kind;
            EXPECT_EQ(d.current().GetDlgItemText(1094), "Reason\r\nField") << c.kind;
            EXPECT_EQ(d.current().item(1095).image, c.icon) << c.kind;
            EXPECT_EQ(d.current().GetWindowText(), c.caption) << c.kind;
            EXPECT_TRUE(d.current().item(1094).declared.multiline);
            d.click(c.button);
        });
        EXPECT_EQ(outcome.DoModal(), c.button) << c.kind;
    }
}

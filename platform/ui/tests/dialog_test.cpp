#include "platform/ui/messages.h"
#include "platform/ui/tests/dialog_fixture.h"

#include <gtest/gtest.h>

using namespace platform::ui;
using platform::ui::testing::DialogDriver;
using platform::ui::testing::host_fixture;
using platform::ui::testing::ImpossibleInteraction;
using platform::ui::testing::ScriptedHost;

namespace {

const DialogTemplates& templates() { return platform::ui::testing::test_templates(); }

struct notice {
    int control;
    int code;
    bool checked; // the control's check state when told
    bool operator==(const notice&) const = default;
};

class copies_dialog final : public Dialog {
public:
    copies_dialog(UiHost& host) : Dialog(templates().get(300), host) { }

    int copies = 1;
    std::string colour = "Green";
    int level = 0;
    std::vector<notice> notices;
    std::vector<std::string> traced;

    void DoDataExchange(DataExchange& exchange) override
    {
        exchange.text(301, copies);
        exchange.int_range(copies, 1, 32767);
        exchange.combo_string(307, colour);
        exchange.radio(305, level);
    }
    void OnCommand(int control, int code) override
    {
        notices.push_back({control, code, has_item(control) && item(control).checked});
        Dialog::OnCommand(control, code);
    }
};

}

TEST(Dialog, NotifiesAsThePlatformDoes)
{
    host_fixture f;
    copies_dialog dialog(f.host);
    ASSERT_TRUE(dialog.create());
    dialog.notices.clear();

    dialog.SetDlgItemText(301, "123456789"); // programmatic: no limit, two notices
    EXPECT_EQ(dialog.GetDlgItemText(301), "123456789");
    dialog.SetDlgItemText(313, "static text");
    dialog.CheckDlgButton(304, true);
    dialog.set_cur_sel(307, 2);
    EXPECT_EQ(dialog.notices, (std::vector<notice> {{301, EN_UPDATE, false}, {301, EN_CHANGE, false}}));

    dialog.notices.clear();
    dialog.CheckDlgButton(305, true);
    dialog.user_click(306);           // group unchecked first, then the click is told
    dialog.user_type(301, "123456789");
    dialog.user_select(307, 0);
    dialog.user_click(304);
    EXPECT_EQ(dialog.notices, (std::vector<notice> {{306, BN_CLICKED, true}, {301, EN_UPDATE, false},
                                  {301, EN_CHANGE, false}, {307, CBN_SELCHANGE, false}, {304, BN_CLICKED, false}}));
    EXPECT_FALSE(dialog.IsDlgButtonChecked(305));
    EXPECT_FALSE(dialog.IsDlgButtonChecked(312));
    EXPECT_EQ(dialog.GetDlgItemText(301), "12345"); // typing keeps to the limit
    EXPECT_FALSE(dialog.IsDlgButtonChecked(304));
}

TEST(Dialog, ExchangeFailuresTellTheUserFocusTheFieldAndKeepTheDialogOpen)
{
    struct failure_case {
        std::string typed;
        std::string message;
    };
    const failure_case cases[] = {
        {"12x", "Please enter an integer."},
        {"", "Please enter an integer."},
        {"-", "Please enter an integer."},
        {"99999999999", "Please enter an integer between 1 and 32767."}, // typed up to the limit: 99999
        {"0", "Please enter an integer between 1 and 32767."},
        {"32768", "Please enter an integer between 1 and 32767."},
    };
    for (const auto& c : cases) {
        host_fixture f;
        copies_dialog dialog(f.host);
        f.host.expect_dialog(300, [&](DialogDriver& driver) {
            driver.type(301, c.typed);
            driver.click(305);
            f.host.expect_message(c.message, MB_OK | MB_ICONEXCLAMATION, IDOK);
            driver.ok();
            EXPECT_FALSE(dialog.ended()) << c.typed;
            EXPECT_EQ(dialog.focus(), 301);
            EXPECT_EQ(dialog.item(301).selection_start, 0u);
            EXPECT_EQ(dialog.item(301).selection_end, dialog.GetDlgItemText(301).size());
            driver.type(301, " 42 ");
            driver.ok();
        });
        EXPECT_EQ(dialog.DoModal(), IDOK) << c.typed;
        EXPECT_EQ(dialog.copies, 42);
        EXPECT_EQ(dialog.level, 0);
        EXPECT_EQ(f.traced, std::vector<std::string> {"UpdateData failed during dialog termination.\n"});
    }
}

TEST(Dialog, ExchangeInFailureEndsTheDialogWithMinusOne)
{
    class broken final : public Dialog {
    public:
        broken(UiHost& host) : Dialog(templates().get(320), host) { }
        void DoDataExchange(DataExchange& exchange) override
        {
            std::string note;
            exchange.text(321, note);
            if (!exchange.saving())
                exchange.Fail();
        }
    };
    host_fixture f;
    broken dialog(f.host);
    f.host.expect_dialog(320, [](DialogDriver&) { ADD_FAILURE() << "a dialog that failed to start was driven"; });
    EXPECT_EQ(dialog.DoModal(), -1);
}

TEST(Dialog, ImpossibleInteractionsAreRefused)
{
    host_fixture f;
    copies_dialog dialog(f.host);
    f.host.expect_dialog(300, [&](DialogDriver& driver) {
        EXPECT_THROW(driver.click(310), ImpossibleInteraction);    // hidden
        EXPECT_THROW(driver.click(311), ImpossibleInteraction);    // disabled
        EXPECT_THROW(driver.click(999), ImpossibleInteraction);    // missing
        EXPECT_THROW(driver.select(307, "Purple"), ImpossibleInteraction);
        EXPECT_THROW(driver.type(307, "Red"), ImpossibleInteraction); // a list combo takes no typing
        EXPECT_THROW(driver.type(313, "x"), ImpossibleInteraction);
        EXPECT_THROW(driver.switch_page(1), ImpossibleInteraction);
        dialog.EnableItem(IDOK, false);
        EXPECT_THROW(driver.ok(), ImpossibleInteraction);
        driver.cancel();
        EXPECT_THROW(driver.click(304), ImpossibleInteraction);    // ended
        EXPECT_THROW(driver.cancel(), ImpossibleInteraction);
    });
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_EQ(dialog.copies, 1); // Cancel exchanges nothing out
}

namespace {

// A page that records what the sheet did to it.
class recording_page : public PropertyPage {
public:
    recording_page(int id, UiHost& host, std::vector<std::string>& log) : PropertyPage(templates().get(id), host), log_(log) { }
    void DoDataExchange(DataExchange& exchange) override
    {
        log_.push_back(std::to_string(id()) + (exchange.saving() ? " out" : " in"));
        exchange_page(exchange);
    }
    bool OnSetActive() override
    {
        log_.push_back(std::to_string(id()) + " active");
        return true;
    }
    void OnOK() override { log_.push_back(std::to_string(id()) + " OnOK"); }
    virtual void exchange_page(DataExchange&) { }

protected:
    std::vector<std::string>& log_;
};

class general_page final : public recording_page {
public:
    using recording_page::recording_page;
    std::string transport = "HTTP";
    std::string password;
    void exchange_page(DataExchange& exchange) override
    {
        exchange.combo_string(402, transport);
        exchange.text(403, password);
    }
};

class numbers_page final : public recording_page {
public:
    using recording_page::recording_page;
    int delay = 5;
    void exchange_page(DataExchange& exchange) override
    {
        exchange.text(412, delay);
        exchange.int_range(delay, 1, 32767);
    }
};

class more_dialog final : public Dialog {
public:
    more_dialog(UiHost& host) : Dialog(templates().get(320), host) { }
    std::string note;
    void DoDataExchange(DataExchange& exchange) override { exchange.text(321, note); }
};

class options_page final : public recording_page {
public:
    using recording_page::recording_page;
    int schedule = 0;
    std::string folder;
    std::string note;
    void exchange_page(DataExchange& exchange) override { exchange.radio(422, schedule); }
    void OnCommand(int control, int code) override
    {
        if (code != BN_CLICKED)
            return;
        if (control == 424) {
            if (auto chosen = host().open_file({"Choose a folder", "", ""}))
                SetDlgItemText(426, folder = chosen->path);
        } else if (control == 425) {
            more_dialog more(host());
            if (more.DoModal() == IDOK)
                note = more.note;
            else
                host().message_box("Nothing changed.", MB_OK | MB_ICONINFORMATION);
        }
    }
};

struct sheet_fixture : host_fixture {
    std::vector<std::string> log;
    general_page general {401, host, log};
    numbers_page numbers {411, host, log};
    options_page options {421, host, log};
    PropertySheet sheet {400, "Customize", host};
    sheet_fixture()
    {
        sheet.AddPage(general);
        sheet.AddPage(numbers);
        sheet.AddPage(options);
    }
};

}

TEST(PropertySheet, DrivenThroughItsPagesLikeAUser)
{
    sheet_fixture f;
    f.host.expect_dialog(400, [&](DialogDriver& driver) {
        driver.select(402, "SMTP");
        driver.type(403, "a-very-long-secret-word");
        driver.f1();
        driver.switch_page(1);
        driver.spin(413, 3);
        EXPECT_EQ(driver.current().GetDlgItemText(412), "4"); // from the bottom of the range
        driver.switch_page(2);
        driver.click(423);
        f.host.expect_open_file(std::string("/home/u/outbox"));
        driver.click(424);
        f.host.expect_dialog(320, [](DialogDriver& nested) {
            nested.type(321, "nested note");
            nested.ok();
        });
        driver.click(425);
        f.host.expect_dialog(320, [](DialogDriver& nested) { nested.cancel(); });
        f.host.expect_message("Nothing changed.", MB_OK | MB_ICONINFORMATION, IDOK);
        driver.click(425);
        driver.f1();
        driver.ok();
    });
    EXPECT_EQ(f.sheet.DoModal(), IDOK);
    EXPECT_EQ(f.general.transport, "SMTP");
    EXPECT_EQ(f.general.password, "a-very-long-secr"); // typing keeps to the limit
    EXPECT_TRUE(f.general.item(403).declared.password);
    EXPECT_EQ(f.numbers.delay, 4);
    EXPECT_EQ(f.options.schedule, 1);
    EXPECT_EQ(f.options.folder, "/home/u/outbox");
    EXPECT_EQ(f.options.GetDlgItemText(426), "/home/u/outbox");
    EXPECT_EQ(f.options.note, "nested note");
    EXPECT_EQ(f.host.help_requests, (std::vector<int> {4010, 4210}));
}

TEST(PropertySheet, PagesAreMadeOnFirstVisitAndOnlyVisitedPagesGetOK)
{
    sheet_fixture f;
    f.host.expect_dialog(400, [&](DialogDriver& driver) {
        driver.switch_page(2);
        driver.switch_page(0); // re-activation exchanges in again
        driver.ok();
    });
    EXPECT_EQ(f.sheet.DoModal(), IDOK);
    EXPECT_EQ(f.log, (std::vector<std::string> {"401 in", "401 active", "401 out", "421 in", "421 active", "421 out",
                         "401 in", "401 active", "401 out", "401 OnOK", "421 OnOK"}));
    EXPECT_FALSE(f.numbers.created());
}

TEST(PropertySheet, ARefusingPageBlocksSwitchAndOKAndCancelTouchesNothing)
{
    sheet_fixture f;
    f.host.expect_dialog(400, [&](DialogDriver& driver) {
        driver.switch_page(1);
        driver.type(412, "0");
        f.host.expect_message("Please enter an integer between 1 and 32767.", MB_OK | MB_ICONEXCLAMATION, IDOK);
        driver.switch_page(2);
        EXPECT_EQ(f.sheet.active_index(), 1);
        f.host.expect_message("Please enter an integer between 1 and 32767.", MB_OK | MB_ICONEXCLAMATION, IDOK);
        driver.ok();
        EXPECT_FALSE(f.sheet.ended());
        f.log.clear();
        driver.cancel();
    });
    EXPECT_EQ(f.sheet.DoModal(), IDCANCEL);
    EXPECT_TRUE(f.log.empty());
    EXPECT_FALSE(f.options.created());
}

TEST(DialogTemplates, ReportsTheLineOfABrokenTemplate)
{
    const std::pair<const char*, const char*> broken[] = {
        {"dialog 1 \"x\"\nedit two\nend\n", "t:2:"},
        {"dialog 1 \"x\"\nwidget 3\nend\n", "t:2:"},
        {"edit 3\n", "t:1:"},
        {"dialog 1 \"x\"\nedit 3 range=5\nend\n", "t:2:"},
        {"dialog 1 \"x\"\nedit 3\nedit 3\nend\n", "t:3:"},
        {"dialog 1 \"x\n", "t:1:"},
        {"dialog 1 \"x\"\n", "no \"end\""},
        {"dialog 1 \"x\"\nlistview 3 columns=\"A|B:5\"\nend\n", "t:2:"},
        {"dialog 1 \"x\"\nlistview 3 columns=\"A:wide\"\nend\n", "t:2:"},
    };
    for (const auto& [text, where] : broken) {
        try {
            DialogTemplates::parse(text, "t");
            ADD_FAILURE() << text;
        } catch (const dialog_template_error& e) {
            EXPECT_NE(std::string(e.what()).find(where), std::string::npos) << e.what();
        }
    }
    auto parsed = DialogTemplates::parse(
        "dialog 7 \"Seven\" help=70\r\nupdown 8 range=-5..5 buddy=9\r\nbutton 9 \"Go\" tip=61712 help=90\r\nend\r\n", "t");
    EXPECT_EQ(parsed.get(7).help_context, 70);
    EXPECT_EQ(parsed.get(7).controls[0].low, -5);
    EXPECT_EQ(parsed.get(7).controls[1].tooltip, 61712);
    EXPECT_EQ(parsed.get(7).controls[1].help_context, 90);
    EXPECT_THROW(parsed.get(8), dialog_template_error);

    auto lists = DialogTemplates::parse("dialog 1 \"x\"\nlistview 2 columns=\"Pull File:120|Type:150\" multi\n"
                                        "list 3 multi sorted\ndatetime 4 time\nend\n", "t");
    const auto& controls = lists.get(1).controls;
    ASSERT_EQ(controls[0].columns.size(), 2u);
    EXPECT_EQ(controls[0].columns[0].title, "Pull File");
    EXPECT_EQ(controls[0].columns[1].width, 150);
    EXPECT_TRUE(controls[0].multi);
    EXPECT_TRUE(controls[1].multi && controls[1].sorted);
    EXPECT_EQ(controls[2].kind, ControlKind::date_time);
    EXPECT_TRUE(controls[2].time_of_day);
}

TEST(Dialog, SortedListsKeepSelectionsOnTheirItems)
{
    const auto templates = DialogTemplates::parse("dialog 1 \"x\"\nlist 2 multi sorted items=\"b|D\"\nend\n", "t");
    host_fixture fixture;
    Dialog dialog(templates.get(1), fixture.host);
    ASSERT_TRUE(dialog.create());
    EXPECT_EQ(dialog.item(2).items, (std::vector<std::string> {"b", "D"}));
    dialog.set_selected_items(2, {1, 0, 1, 7});
    EXPECT_EQ(dialog.selected_items(2), (std::vector<int> {0, 1}));
    EXPECT_EQ(dialog.add_string(2, "C"), 1);
    EXPECT_EQ(dialog.add_string(2, "a"), 0);
    EXPECT_EQ(dialog.item(2).items, (std::vector<std::string> {"a", "b", "C", "D"}));
    EXPECT_EQ(dialog.selected_items(2), (std::vector<int> {1, 3}));
    EXPECT_EQ(dialog.find_string_exact(2, "c"), 2);
    EXPECT_EQ(dialog.find_string_exact(2, "c "), -1);
    dialog.delete_string(2, 1);
    EXPECT_EQ(dialog.selected_items(2), (std::vector<int> {2}));
}

TEST(FileDialog, PanelAndNameCheckAreDrivenAsTheUserWould)
{
    host_fixture f;
    const auto templates_with_tip = DialogTemplates::parse(
        "dialog 50 \"\"\ncheck 51 \"&Both\"\nbutton 52 \"Ski&p\" tip=61712 help=520\nend\n", "t");
    struct skip_panel final : Dialog {
        using Dialog::Dialog;
        void OnCommand(int control, int code) override
        {
            if (control == 52 && code == BN_CLICKED)
                EndDialog(IDOK);
        }
    };
    skip_panel panel(templates_with_tip.get(50), f.host);
    std::vector<std::string> checked;
    OpenFileRequest request {"Save As", "Page|*.htm||", ""};
    request.save = true;
    request.filter_index = 1;
    request.panel = &panel;
    request.keep_open = [&](const std::string& path) {
        checked.push_back(path);
        return path == "/a.htm";
    };

    ScriptedHost::FileDialogScript named;
    named.panel = [](DialogDriver& d) {
        d.click(51);
        EXPECT_EQ(d.hover(52), "Please enter an integer.");
        d.f1(52);
    };
    named.names = {"/a.htm", "/b.htm"};
    named.filter_index = 2;
    f.host.expect_file_dialog(named);
    auto choice = f.host.open_file(request);
    ASSERT_TRUE(choice);
    EXPECT_EQ(choice->path, "/b.htm");
    EXPECT_EQ(choice->filter_index, 2);
    EXPECT_FALSE(choice->skipped);
    EXPECT_TRUE(panel.IsDlgButtonChecked(51));
    EXPECT_EQ(checked, (std::vector<std::string> {"/a.htm", "/b.htm"}));
    EXPECT_EQ(f.host.popup_help_requests, std::vector<int> {520});

    ScriptedHost::FileDialogScript skipped;
    skipped.panel = [](DialogDriver& d) { d.click(52); };
    skipped.names = {"/never.htm"};
    f.host.expect_file_dialog(skipped);
    choice = f.host.open_file(request);
    ASSERT_TRUE(choice);
    EXPECT_TRUE(choice->skipped);
    EXPECT_EQ(choice->path, "");
    EXPECT_EQ(checked.size(), 2u);

    // Every name refused: the dialog ends cancelled.
    ScriptedHost::FileDialogScript refused;
    refused.names = {"/a.htm"};
    f.host.expect_file_dialog(refused);
    request.panel = nullptr;
    EXPECT_FALSE(f.host.open_file(request));
}

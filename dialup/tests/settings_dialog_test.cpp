#include "dialup/library.h"
#include "dialup/settings_dialog.h"
#include "platform/testing/memory_store.h"
#include "platform/testing/scripted_dialup.h"
#include "platform/ui/testing/scripted_host.h"

#include <gtest/gtest.h>

using platform::registry::hive;
using platform::ui::testing::DialogDriver;
using Dlg = dunvell::DialupSettingsDialog;
namespace ras = platform::ras;
namespace ui = platform::ui;

namespace {

const std::string key = "Software\\Holvane\\Talverin\\Configurations\\Work\\RAS Settings";

struct dialog_fixture {
    platform::strings::string_table strings =
        platform::strings::string_table::load(std::string(DUNVELL_SHARE_DIR) + "/strings.txt");
    platform::ui::DialogTemplates dialogs =
        platform::ui::DialogTemplates::load(std::string(DUNVELL_SHARE_DIR) + "/dialogs.txt");
    platform::testing::memory_store store;
    platform::testing::scripted_dialup ras;
    platform::ui::testing::ScriptedHost host {strings};

    dialog_fixture()
    {
        ras.is_usable = true;
        ras.entry_names = {"Work", "Home"};
        EXPECT_EQ(store.create_key(hive::current_user, key), platform::registry::status::ok);
    }

    void set(const std::string& name, platform::registry::value value)
    {
        ASSERT_EQ(store.write(hive::current_user, key, name, std::move(value)), platform::registry::status::ok);
    }

    platform::registry::value get(const std::string& name)
    {
        return store.read(hive::current_user, key, name).data;
    }

    // Runs the dialog as the script drives it; the error boxes it shows carry these texts.
    int run(int mode, ui::testing::ScriptedHost::Script script, const std::vector<std::string>& errors = {})
    {
        host.expect_dialog(101, std::move(script));
        for (const auto& text : errors)
            host.expect_message(text, ui::MB_OK | ui::MB_ICONERROR, ui::IDOK);
        Dlg dialog(dialogs.get(101), host, store, key, ras, strings, mode);
        int result = dialog.run();
        EXPECT_EQ(host.pending(), 0u);
        return result;
    }
};

}

TEST(DialupSettingsDialog, MissingOrWrongTypeValuesShowTheDefaults)
{
    struct row {
        const char* what;
        std::optional<platform::registry::value> disconnection;
        std::optional<platform::registry::value> delay;
        int checked;
        const char* delay_text;
        bool delay_enabled;
    };
    const row rows[] = {
        {"missing", std::nullopt, std::nullopt, Dlg::IDC_UNLESS_IN_USE, "5", false},
        {"wrong types", std::string("0"), std::string("9"), Dlg::IDC_UNLESS_IN_USE, "5", false},
        {"never", std::uint32_t {0}, std::uint32_t {12}, Dlg::IDC_NEVER, "12", false},
        {"in use", std::uint32_t {1}, std::uint32_t {0}, Dlg::IDC_UNLESS_IN_USE, "0", false},
        {"idle", std::uint32_t {2}, std::uint32_t {3}, Dlg::IDC_WHEN_IDLE, "3", true},
        {"another rule", std::uint32_t {9}, std::nullopt, Dlg::IDC_WHEN_IDLE, "5", false},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        dialog_fixture f;
        if (r.disconnection)
            f.set("Disconnection", *r.disconnection);
        if (r.delay)
            f.set("Delay", *r.delay);
        f.set("Phonebook Entry", std::string("work")); // case ignored
        auto before = f.store.snapshot();
        EXPECT_EQ(f.run(dunvell::settings_mode, [&](DialogDriver& d) {
            auto& dialog = d.current();
            for (int id : {Dlg::IDC_NEVER, Dlg::IDC_UNLESS_IN_USE, Dlg::IDC_WHEN_IDLE})
                EXPECT_EQ(dialog.IsDlgButtonChecked(id), id == r.checked) << id;
            EXPECT_EQ(dialog.GetDlgItemText(Dlg::IDC_DELAY), r.delay_text);
            EXPECT_EQ(dialog.item(Dlg::IDC_DELAY).enabled, r.delay_enabled);
            EXPECT_FALSE(dialog.item(Dlg::IDC_WHEN_IDLE).visible);
            EXPECT_EQ(dialog.item(Dlg::IDC_ENTRIES).items, (std::vector<std::string> {"Home", "Work"}));
            EXPECT_EQ(dialog.get_cur_sel(Dlg::IDC_ENTRIES), 1);
            EXPECT_EQ(dialog.GetDlgItemText(ui::IDOK), "OK");
            d.cancel();
        }), 0);
        EXPECT_EQ(f.store.snapshot(), before); // Cancel writes nothing
        EXPECT_TRUE(f.ras.params_written().empty());
    }
}

TEST(DialupSettingsDialog, OkStoresTheEntryLogonDataAndRule)
{
    dialog_fixture f;
    f.ras.stored_params["Home"] = {"Home", "ann", "old", "CORP"};
    EXPECT_EQ(f.run(dunvell::dialling_mode, [](DialogDriver& d) {
        EXPECT_EQ(d.current().GetDlgItemText(ui::IDOK), "Connect");
        d.select(Dlg::IDC_ENTRIES, "Home");
        EXPECT_EQ(d.current().GetDlgItemText(Dlg::IDC_USER), "ann");
        EXPECT_EQ(d.current().GetDlgItemText(Dlg::IDC_DOMAIN), "CORP");
        d.type(Dlg::IDC_PASSWORD, "new secret");
        d.click(Dlg::IDC_NEVER);
        d.ok();
    }), 1);
    EXPECT_EQ(f.get("Phonebook Entry"), platform::registry::value(std::string("Home")));
    EXPECT_EQ(f.get("Disconnection"), platform::registry::value(std::uint32_t {0}));
    EXPECT_EQ(f.get("Delay"), platform::registry::value(std::uint32_t {5}));
    EXPECT_EQ(f.ras.params_written(), (std::vector<ras::dial_params> {{"Home", "ann", "new secret", "CORP"}}));
}

TEST(DialupSettingsDialog, StoredIdleRuleIsKeptUnlessAVisibleOptionIsPicked)
{
    for (bool pick : {false, true}) {
        SCOPED_TRACE(pick);
        dialog_fixture f;
        f.set("Disconnection", std::uint32_t {2});
        f.set("Delay", std::uint32_t {3});
        EXPECT_EQ(f.run(dunvell::settings_mode, [&](DialogDriver& d) {
            if (pick)
                d.click(Dlg::IDC_UNLESS_IN_USE);
            d.ok();
        }), 1);
        EXPECT_EQ(f.get("Disconnection"), platform::registry::value(std::uint32_t {pick ? 1u : 2u}));
        EXPECT_EQ(f.get("Delay"), platform::registry::value(std::uint32_t {3}));
    }
}

TEST(DialupSettingsDialog, NoEntriesLeaveOkAndPropertiesDisabled)
{
    dialog_fixture f;
    f.ras.entry_names.clear();
    EXPECT_EQ(f.run(dunvell::settings_mode, [](DialogDriver& d) {
        EXPECT_TRUE(d.current().item(Dlg::IDC_ENTRIES).items.empty());
        EXPECT_FALSE(d.current().item(ui::IDOK).enabled);
        EXPECT_FALSE(d.current().item(Dlg::IDC_PROPERTIES).enabled);
        EXPECT_THROW(d.ok(), ui::testing::ImpossibleInteraction);
        d.cancel();
    }), 0);
}

TEST(DialupSettingsDialog, AddedEntryIsSelectedWithItsEmptyLogonData)
{
    dialog_fixture f;
    f.ras.entry_names.clear();
    f.ras.created_by_dialog = {"Office"};
    EXPECT_EQ(f.run(dunvell::settings_mode, [](DialogDriver& d) {
        d.click(Dlg::IDC_ADD);
        EXPECT_EQ(d.current().get_cur_sel(Dlg::IDC_ENTRIES), 0);
        EXPECT_EQ(d.current().item(Dlg::IDC_ENTRIES).items, std::vector<std::string> {"Office"});
        EXPECT_TRUE(d.current().item(ui::IDOK).enabled);
        EXPECT_EQ(d.current().GetDlgItemText(Dlg::IDC_USER), "");
        d.ok();
    }), 1);
    EXPECT_EQ(f.get("Phonebook Entry"), platform::registry::value(std::string("Office")));
}

TEST(DialupSettingsDialog, EntriesThatCannotBeMadeHereAreExplained)
{
    dialog_fixture f;
    f.ras.create_error = ras::error_entries_read_only;
    const std::string text = f.strings.text(dunvell::error_text_base + ras::error_entries_read_only);
    ASSERT_NE(text.find("/etc/ppp/peers"), std::string::npos);
    EXPECT_EQ(f.run(dunvell::settings_mode, [](DialogDriver& d) {
        d.click(Dlg::IDC_ADD);
        d.click(Dlg::IDC_PROPERTIES);
        d.cancel();
    }, {text, text}), 0);
}

TEST(DialupSettingsDialog, FailedWritesAreReportedAndTheDialogStays)
{
    {
        SCOPED_TRACE("the settings store");
        dialog_fixture f;
        f.store.fail_writes_under(key);
        auto before = f.store.snapshot();
        EXPECT_EQ(f.run(dunvell::settings_mode, [](DialogDriver& d) {
            d.ok();
            EXPECT_FALSE(d.current().ended());
            d.cancel();
        }, {"The dial-up settings could not be saved: " + std::string(platform::registry::to_string(
               platform::registry::status::io_error))}), 0);
        EXPECT_EQ(f.store.snapshot(), before);
    }
    {
        SCOPED_TRACE("the logon data");
        dialog_fixture f;
        f.ras.set_params_error = ras::error_dial_params_store;
        auto before = f.store.snapshot();
        EXPECT_EQ(f.run(dunvell::settings_mode, [](DialogDriver& d) {
            d.ok();
            EXPECT_FALSE(d.current().ended());
            d.cancel();
        }, {"The dial-up settings could not be saved: "
               + f.strings.text(dunvell::error_text_base + ras::error_dial_params_store)}), 0);
        EXPECT_EQ(f.store.snapshot(), before);
    }
}

#include "dialup/settings_dialog.h"

#include "dialup/library.h"

#include <algorithm>
#include <charconv>

namespace dunvell {

using platform::registry::hive;
using platform::registry::status;
namespace ui = platform::ui;

namespace {

const char* const entry_value = "Phonebook Entry";
const char* const disconnection_value = "Disconnection";
const char* const delay_value = "Delay";

// The number an edit holds, as the platform reads an unsigned one: 0 when it is none.
std::uint32_t unsigned_number(const std::string& text)
{
    std::uint32_t number = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error != std::errc() || end != text.data() + text.size())
        return 0;
    return number;
}

}

DialupSettingsDialog::DialupSettingsDialog(const ui::DialogTemplate& dialog_template, ui::UiHost& host,
    platform::registry::store& registry, std::string settings_key, platform::ras::dialup_networking& ras,
    const platform::strings::string_table& strings, int mode)
    : Dialog(dialog_template, host), registry_(registry), settings_key_(std::move(settings_key)), ras_(ras),
      strings_(strings), mode_(mode)
{
}

std::string DialupSettingsDialog::error_text(long error) const
{
    const auto& text = error >= 0 ? strings_.text(error_text_base + static_cast<unsigned>(error)) : std::string();
    return text.empty() ? "Error " + std::to_string(error) : text;
}

void DialupSettingsDialog::show_error(long error)
{
    host().message_box(error_text(error), ui::MB_OK | ui::MB_ICONERROR, strings_.text(IDS_ERROR_CAPTION));
}

bool DialupSettingsDialog::OnInitDialog()
{
    fill_entries();
    auto entry = registry_.read(hive::current_user, settings_key_, entry_value);
    const auto* name = std::get_if<std::string>(&entry.data);
    int selected = entry.ok() && name && !name->empty() ? find_string_exact(IDC_ENTRIES, *name) : -1;
    if (selected < 0 && !item(IDC_ENTRIES).items.empty())
        selected = 0;
    set_cur_sel(IDC_ENTRIES, selected);
    update_enabling();

    auto rule = registry_.read(hive::current_user, settings_key_, disconnection_value);
    const auto* mode = std::get_if<std::uint32_t>(&rule.data);
    if (!rule.ok() || !mode) {
        CheckDlgButton(IDC_UNLESS_IN_USE, true);
        EnableItem(IDC_DELAY, false);
    } else {
        CheckDlgButton(*mode == 0 ? IDC_NEVER : *mode == 1 ? IDC_UNLESS_IN_USE : IDC_WHEN_IDLE, true);
        EnableItem(IDC_DELAY, *mode == 2);
    }
    auto delay = registry_.read(hive::current_user, settings_key_, delay_value);
    const auto* minutes = std::get_if<std::uint32_t>(&delay.data);
    SetDlgItemText(IDC_DELAY, std::to_string(delay.ok() && minutes ? *minutes : 5u));
    if (mode_ == dialling_mode)
        SetDlgItemText(ui::IDOK, "Connect");
    return true;
}

void DialupSettingsDialog::fill_entries()
{
    auto listed = ras_.entries();
    if (listed.error)
        listed.names.clear();
    auto before = item(IDC_ENTRIES).items;
    auto known = [&before](const std::string& name) {
        return std::find(before.begin(), before.end(), name) != before.end();
    };
    if (std::all_of(listed.names.begin(), listed.names.end(), known))
        return;
    while (!item(IDC_ENTRIES).items.empty())
        delete_string(IDC_ENTRIES, 0);
    for (const auto& name : listed.names)
        add_string(IDC_ENTRIES, name);
    auto added = std::find_if_not(listed.names.begin(), listed.names.end(), known);
    set_cur_sel(IDC_ENTRIES, added == listed.names.end() ? -1 : find_string_exact(IDC_ENTRIES, *added));
    update_enabling();
}

void DialupSettingsDialog::update_enabling()
{
    bool selected = get_cur_sel(IDC_ENTRIES) >= 0;
    EnableItem(ui::IDOK, selected);
    EnableItem(IDC_PROPERTIES, selected);
    EnableItem(IDC_ENTRIES, selected);
    load_logon_data();
}

void DialupSettingsDialog::load_logon_data()
{
    int selected = get_cur_sel(IDC_ENTRIES);
    if (selected < 0)
        return;
    const auto name = item(IDC_ENTRIES).items.at(static_cast<std::size_t>(selected));
    if (!name.empty())
        EnableItem(ui::IDOK, true);
    // A failed read leaves the fields as they were.
    auto stored = ras_.get_entry_dial_params(name);
    if (stored.error)
        return;
    SetDlgItemText(IDC_USER, stored.params.user);
    SetDlgItemText(IDC_PASSWORD, stored.params.password);
    SetDlgItemText(IDC_DOMAIN, stored.params.domain);
}

void DialupSettingsDialog::OnCommand(int control, int code)
{
    switch (control) {
    case IDC_ENTRIES:
        if (code == ui::CBN_SELCHANGE)
            load_logon_data();
        return;
    case IDC_ADD:
        if (code == ui::BN_CLICKED) {
            if (long error = ras_.create_entry(0))
                show_error(error);
            else
                fill_entries();
        }
        return;
    case IDC_PROPERTIES:
        if (code == ui::BN_CLICKED && get_cur_sel(IDC_ENTRIES) >= 0) {
            auto name = item(IDC_ENTRIES).items.at(static_cast<std::size_t>(get_cur_sel(IDC_ENTRIES)));
            if (long error = ras_.edit_entry(0, name))
                show_error(error);
            fill_entries();
        }
        return;
    case IDC_NEVER:
    case IDC_UNLESS_IN_USE:
    case IDC_WHEN_IDLE:
        if (code == ui::BN_CLICKED)
            EnableItem(IDC_DELAY, control == IDC_WHEN_IDLE);
        return;
    case IDC_DELAY:
        if (code == ui::EN_CHANGE && !GetDlgItemText(IDC_DELAY).empty() && get_cur_sel(IDC_ENTRIES) >= 0)
            EnableItem(ui::IDOK, true);
        return;
    default:
        Dialog::OnCommand(control, code);
    }
}

void DialupSettingsDialog::OnOK()
{
    int selected = get_cur_sel(IDC_ENTRIES);
    if (selected < 0)
        return;
    platform::ras::dial_params params;
    params.entry = item(IDC_ENTRIES).items.at(static_cast<std::size_t>(selected));
    params.user = GetDlgItemText(IDC_USER);
    params.password = GetDlgItemText(IDC_PASSWORD);
    params.domain = GetDlgItemText(IDC_DOMAIN);
    if (long error = ras_.set_entry_dial_params(params)) {
        host().message_box(ui::format_message(strings_.text(102), {error_text(error)}), ui::MB_OK | ui::MB_ICONERROR,
            strings_.text(IDS_ERROR_CAPTION));
        return;
    }
    std::uint32_t rule = IsDlgButtonChecked(IDC_NEVER) ? 0 : IsDlgButtonChecked(IDC_UNLESS_IN_USE) ? 1 : 2;
    std::uint32_t delay = unsigned_number(GetDlgItemText(IDC_DELAY));
    auto written = registry_.apply([&](platform::registry::registry_tree& tree) {
        auto key = tree.open_key(settings_key_);
        if (!key.ok())
            return key.code;
        for (auto code : {key.data.set(entry_value, params.entry), key.data.set(disconnection_value, rule),
                 key.data.set(delay_value, delay)}) {
            if (code != status::ok)
                return code;
        }
        return status::ok;
    });
    if (written != status::ok) {
        auto reason = registry_.unusable_reason();
        host().message_box(ui::format_message(strings_.text(102),
                               {reason.empty() ? platform::registry::to_string(written) : reason}),
            ui::MB_OK | ui::MB_ICONERROR, strings_.text(IDS_ERROR_CAPTION));
        return;
    }
    EndDialog(ui::IDOK);
}

}

#include "broadcast/recipients/address_dialog.h"

#include "broadcast/recipients/recipient_strings.h"
#include "core/markup/ascii.h"
#include "platform/ui/messages.h"

#include <algorithm>

namespace broadcast {

using namespace platform::ui;

namespace {
constexpr int filter_edit = 1001;
constexpr int entry_list = 1002;
constexpr int to_button = 1003;
constexpr int recipient_list = 1004;
constexpr int remove_button = 1005;
constexpr int new_button = 1006;
constexpr int new_address_edit = 1001;



// "For this broadcast only": one address typed by the user.
class new_entry_prompt : public Dialog {
public:
    new_entry_prompt(const DialogTemplates& dialogs, UiHost& host) : Dialog(dialogs.get(address_dialog::new_entry_template_id), host) { }
    void DoDataExchange(DataExchange& exchange) override { exchange.text(new_address_edit, address); }
    std::string address;
};

}

bool is_internet_address(const std::string& text)
{
    const auto at = text.find('@');
    if (at == std::string::npos || at == 0 || at + 1 == text.size() || text.find('@', at + 1) != std::string::npos
        || text[0] == '-')
        return false;
    return std::none_of(text.begin(), text.end(), [](char c) {
        return static_cast<unsigned char>(c) <= ' ' || c == '<' || c == '>' || c == ',' || c == ';' || c == '"' || c == 0x7F;
    });
}

std::string listed_text(const std::string& display_name, const std::string& email)
{
    if (display_name.empty() || display_name == email)
        return email;
    return display_name + " <" + email + ">";
}

address_dialog::address_dialog(const DialogTemplates& dialogs, UiHost& host, const contacts::address_book& book,
    std::vector<recipient> initial)
    : Dialog(dialogs.get(template_id), host), dialogs_(dialogs), book_(book)
{
    for (auto& picked : initial)
        add_recipient(std::move(picked));
}

bool address_dialog::OnInitDialog()
{
    if (!Dialog::OnInitDialog())
        return false;
    fill_entries();
    show_recipients();
    return true;
}

void address_dialog::fill_entries()
{
    const std::string typed = GetDlgItemText(filter_edit);
    shown_entries_.clear();
    auto& list = item(entry_list);
    list.items.clear();
    list.selected.clear();
    const auto& entries = book_.entries();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (core::starts_with_ignoring_case(entries[i].display_name, typed) || core::starts_with_ignoring_case(entries[i].email, typed)) {
            shown_entries_.push_back(i);
            list.items.push_back(listed_text(entries[i].display_name, entries[i].email));
        }
    }
}

void address_dialog::show_recipients()
{
    auto& list = item(recipient_list);
    list.items.clear();
    list.selected.clear();
    for (const auto& picked : recipients_)
        list.items.push_back(listed_text(picked.display_name, picked.email));
}

void address_dialog::add_recipient(recipient picked)
{
    // Whole addresses, case ignored: "bob@ex.com" and "bob@ex.com.au" are two recipients.
    const bool present = std::any_of(recipients_.begin(), recipients_.end(), [&](const recipient& known) {
        return (!picked.entry_id.empty() && known.entry_id == picked.entry_id) || core::equal_ignoring_case(known.email, picked.email);
    });
    if (!present)
        recipients_.push_back(std::move(picked));
}

void address_dialog::OnCommand(int control, int code)
{
    if (control == filter_edit && code == EN_CHANGE) {
        if (created())
            fill_entries();
        return;
    }
    if (code != BN_CLICKED) {
        Dialog::OnCommand(control, code);
        return;
    }
    switch (control) {
    case to_button:
        for (int index : selected_items(entry_list)) {
            const auto& entry = book_.entries()[shown_entries_[static_cast<std::size_t>(index)]];
            add_recipient({entry.id, entry.display_name, entry.email});
        }
        show_recipients();
        break;
    case remove_button: {
        const auto selected = selected_items(recipient_list);
        for (auto it = selected.rbegin(); it != selected.rend(); ++it)
            recipients_.erase(recipients_.begin() + *it);
        show_recipients();
        break;
    }
    case new_button: {
        new_entry_prompt prompt(dialogs_, host());
        if (prompt.DoModal() == IDOK) {
            const std::string address = prompt.address;
            if (!address.empty())
                add_recipient({{}, address, address});
            show_recipients();
        }
        break;
    }
    default:
        Dialog::OnCommand(control, code);
    }
}

void address_dialog::OnOK()
{
    for (std::size_t i = 0; i < recipients_.size(); ++i) {
        const auto& picked = recipients_[i];
        const bool in_book = !picked.entry_id.empty() && book_.entry(picked.entry_id);
        if (!in_book && !is_internet_address(picked.email)) {
            host().message_box(IDS_NOT_AN_ADDRESS, MB_OK | MB_ICONEXCLAMATION, {picked.email});
            set_selected_items(recipient_list, {static_cast<int>(i)});
            GotoDlgCtrl(recipient_list);
            return;
        }
    }
    EndDialog(IDOK);
}

}

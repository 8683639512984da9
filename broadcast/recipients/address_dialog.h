#pragma once

#include "broadcast/contacts/address_books.h"
#include "platform/ui/dialog.h"

#include <string>
#include <vector>

namespace broadcast {

// A recipient of the address dialog: a book entry, or an address typed for this broadcast
// only (no entry id).
struct recipient {
    std::string entry_id;
    std::string display_name;
    std::string email;
};

// "Select Names": the book's entries, narrowed by what the user types, are moved into the
// recipients; "&New..." adds an address for this broadcast only. OK refuses, naming it, a
// recipient that is neither a book entry nor an internet address.
class address_dialog : public platform::ui::Dialog {
public:
    static constexpr int template_id = 25200;
    static constexpr int new_entry_template_id = 25201;

    address_dialog(const platform::ui::DialogTemplates& dialogs, platform::ui::UiHost& host,
        const contacts::address_book& book, std::vector<recipient> initial);

    bool OnInitDialog() override;
    void OnOK() override;
    void OnCommand(int control, int code) override;

    const std::vector<recipient>& recipients() const { return recipients_; }

private:
    void fill_entries();
    void show_recipients();
    void add_recipient(recipient picked);

    const platform::ui::DialogTemplates& dialogs_;
    const contacts::address_book& book_;
    std::vector<recipient> recipients_;
    std::vector<std::size_t> shown_entries_; // indices into the book's entries, as listed
};

// A plain internet address: one "@" with text on both sides, no blank, control character,
// "<", ">", ",", ";" or quote, and no leading "-".
bool is_internet_address(const std::string& text);

// The text an entry is listed with: "Name <address>", or the address alone.
std::string listed_text(const std::string& display_name, const std::string& email);

}

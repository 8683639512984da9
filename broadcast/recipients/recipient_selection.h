#pragma once

#include "broadcast/contacts/address_books.h"
#include "platform/ui/dialog.h"

#include <string>
#include <vector>

namespace broadcast {

// What "T&o..." of the broadcast settings needs: the dialogs, the books and the active
// configuration's choice of book.
struct recipient_services {
    platform::ui::UiHost& host;
    const platform::ui::DialogTemplates& dialogs;
    contacts::book_provider& books;
    int configured_provider = 0; // "ABook Provider"; 0 when none was chosen
    bool enhanced_view = false;  // "Enhanced View"
};

// Lets the user pick recipients into the addresses text from the configured book, or the
// first that opens; false, the text unchanged, when nothing was picked.
bool OnTo(recipient_services& services, std::string& addresses);

// The contact grid over the contact store: true when it ran to its end, whether or not the
// user chose anything; false, after telling the user, when the contacts cannot be reached.
bool OnBnClickedContacts(recipient_services& services, std::string& addresses);

// Adds the addresses to the text ("; " between) that it does not hold yet, comparing whole
// addresses with case ignored.
void merge_addresses(std::string& text, const std::vector<std::string>& addresses);

}

#include "broadcast/recipients/recipient_selection.h"

#include "broadcast/recipients/abook.h"
#include "broadcast/recipients/contacts_dialog.h"
#include "broadcast/recipients/mapi_book.h"
#include "broadcast/recipients/recipient_strings.h"
#include "broadcast/settings/submission_values.h"
#include "core/log/trace_log.h"
#include "core/markup/ascii.h"
#include "platform/com/com_error.h"

#include <algorithm>
#include <bitset>

namespace broadcast {

using namespace platform::prompts;

namespace {


}

void merge_addresses(std::string& text, const std::vector<std::string>& addresses)
{
    std::vector<std::string> held;
    SplitAddresses(text, ", ;", held, true);
    for (auto& address : held)
        address = core::ascii_lowercase(address);
    for (const auto& address : addresses) {
        if (address.empty())
            continue;
        const std::string key = core::ascii_lowercase(address);
        if (std::find(held.begin(), held.end(), key) != held.end())
            continue;
        held.push_back(key);
        append_address(text, address);
    }
}

bool OnBnClickedContacts(recipient_services& services, std::string& addresses)
{
    TRACE_LOG("CBroadcastSettings::OnBnClickedContacts()\n");
    try {
        CMAPIBook book(services.books);
        if (!book.init()) {
            services.host.message_box(IDS_CANNOT_OPEN_CONTACTS, MB_OK | MB_ICONEXCLAMATION);
            return false;
        }
        book.ClearUsedFields();
        std::vector<std::string> names, ids;
        std::vector<contacts::contact_card> cards;
        if (!book.GetAllContacts(names, ids, cards)) {
            services.host.message_box(IDS_CANNOT_READ_CONTACTS, MB_OK | MB_ICONEXCLAMATION);
            return false;
        }
        std::bitset<contacts::field_count> used;
        for (int i = 0; i < contacts::field_count; ++i)
            used[static_cast<std::size_t>(i)] = book.used_field(i);
        CContactsDialog2 dialog(services.dialogs, services.host, cards, names, ids, used);
        dialog.SetInitial(addresses);
        if (dialog.DoModal() == IDOK)
            merge_addresses(addresses, dialog.selected_addresses());
        TRACE_LOG("OnBnClickedContacts succesfully passed\n");
        return true;
    } catch (const platform::ui::command_aborted&) {
        throw;
    } catch (const std::exception& e) {
        TRACE_LOG("CException caught %s\n", e.what());
        return false;
    }
}

bool OnTo(recipient_services& services, std::string& addresses)
{
    CAbook book(services.books);
    int provider = services.configured_provider;
    if (provider == 0 || !book.TryProvider(provider))
        provider = book.DetectProvider();
    if (provider == 3 && services.enhanced_view) {
        if (OnBnClickedContacts(services, addresses))
            return true;
        // The grid has told the user when the store could not be read; the address dialog
        // reads the same store.
        if (!book.Open(provider))
            return false;
    }
    if (provider == 0) {
        TRACE_LOG("CBroadcastSettings::OnTo() - no address book opens\n");
        return false;
    }
    if (!book.Open(provider)) {
        services.host.message_box(IDS_BOOK_UNREADABLE, platform::prompts::MB_OK | platform::prompts::MB_ICONEXCLAMATION,
            {book.problem()});
        return false;
    }
    return book.SelectNames(services.host, services.dialogs, provider, addresses);
}

}

#include "broadcast/recipients/recipient_selection.h"

#include "broadcast/recipients/abook.h"
#include "broadcast/recipients/recipient_strings.h"
#include "broadcast/settings/submission_values.h"
#include "core/log/trace_log.h"
#include "core/markup/ascii.h"

#include <algorithm>

namespace broadcast {

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

bool OnTo(recipient_services& services, std::string& addresses)
{
    CAbook book(services.books);
    int provider = services.configured_provider;
    if (provider == 0 || !book.TryProvider(provider))
        provider = book.DetectProvider();
    if (provider == 3 && services.enhanced_view)
        TRACE_LOG("CBroadcastSettings::OnTo() - the contact grid is not available, the address dialog is used\n");
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

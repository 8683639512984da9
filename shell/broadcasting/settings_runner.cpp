#include "shell/broadcasting/settings_runner.h"

#include "broadcast/recipients/recipient_selection.h"
#include "broadcast/settings/broadcast_settings.h"
#include "shell/app_context.h"

#include <filesystem>

namespace shell {

broadcast::contacts::book_locations read_book_locations(const platform::registry::profile& profile,
    const platform::env::locations& locations)
{
    broadcast::contacts::book_locations books;
    books.personal_book = profile.get_string("AddressBooks", "Personal", "");
    books.contacts_folder = profile.get_string("AddressBooks", "Contacts", "");
    if (books.contacts_folder.empty() && !locations.data.empty())
        books.contacts_folder = std::filesystem::path(locations.data).parent_path().append("contacts").string();
    return books;
}

std::function<void(broadcast::broadcast_ref)> make_settings_runner(AppContext& context, const platform::clock& clock,
    broadcast::contacts::book_provider& books)
{
    return [&context, &clock, &books](broadcast::broadcast_ref job) {
        auto& ui = context.services.ui;
        const auto& dialogs = context.services.dialogs;
        broadcast::settings_services services {ui, dialogs, clock};
        // The configuration's choice of book as it stands when the user asks.
        services.pick_recipients = [&context, &books, &ui, &dialogs](std::string& addresses) {
            broadcast::recipient_services recipients {ui, dialogs, books, context.current_config.GetABookProvider(),
                context.current_config.GetEnhancedView() != 0};
            return broadcast::OnTo(recipients, addresses);
        };
        broadcast::RunBroadcastSettings(services, *job);
    };
}

}

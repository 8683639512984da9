#pragma once

#include "broadcast/contacts/address_books.h"
#include "broadcast/job/broadcast_ref.h"
#include "platform/clock/clock.h"
#include "platform/env/locations.h"
#include "platform/registry/profile.h"

#include <functional>

namespace shell {

struct AppContext;

// Where the address books are, from the "AddressBooks" section of the settings store:
// "Personal", one exported book (vCard, LDIF or CSV), and "Contacts", a contacts folder kept
// as vCard sync tools keep it ($XDG_DATA_HOME/contacts when the store names none).
broadcast::contacts::book_locations read_book_locations(const platform::registry::profile& profile,
    const platform::env::locations& locations);

// The broadcast settings dialog as the launch runs it on a job: over the program's host and
// dialogs, with "T&o..." picking recipients from the active configuration's address book.
// Throws platform::ui::command_aborted when the user cancels.
std::function<void(broadcast::broadcast_ref)> make_settings_runner(AppContext& context, const platform::clock& clock,
    broadcast::contacts::book_provider& books);

}

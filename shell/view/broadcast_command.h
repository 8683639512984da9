#pragma once

#include "broadcast/job/broadcast_dispatcher.h"
#include "shell/view/form_registration.h"

#include <functional>

namespace shell {

struct AppContext;
class CTalverinDoc;
class CTalverinDocManager;

inline constexpr int ID_FILE_BROADCAST = 33002;

// What the Broadcast command reaches besides the document.
struct BroadcastCommandServices {
    AppContext& context;
    CTalverinDocManager& manager;
    broadcast::BroadcastDispatcher& dispatcher;
    // Where a web form is registered before it is broadcast.
    FormSite& form_site;
    // The main frame's test: true while a broadcast runs (its dialog brought forward when
    // `activate` is set).
    std::function<bool(bool activate)> is_broadcast_running;
};

// The Broadcast command: saves the message (a refused or cancelled save ends it); for a web
// form offers to (re-)register it, registers it and records its name; refuses while a
// broadcast runs, asks for a save when the message parts are missing, then hands a
// job of the saved message to the dispatcher. A job that cannot be made is reported.
void on_broadcast(CTalverinDoc& document, const BroadcastCommandServices& services);

}

#pragma once

#include "broadcast/job/broadcast_dispatcher.h"
#include "broadcast/job/broadcast_ref.h"

#include <functional>
#include <optional>
#include <string>

namespace shell {

// What the message document hands to other parts of the program, each absent until that
// part is bound in.
struct DocumentSeams {
    // A page file turned into the HTML body the editor shows (the HTML importer). Absent:
    // the file's text is the body as it stands. Nothing: the import failed.
    std::function<std::optional<std::string>(const std::string& file)> import_page;
    // A broadcast job made from a file. Nothing: it could not be made (the factory told
    // the user why).
    std::function<std::optional<broadcast::broadcast_ref>(const std::string& file)> make_job;
    // Where made jobs go. Without it (or without make_job) the import prompt offers no "&Send".
    broadcast::BroadcastDispatcher* dispatcher = nullptr;
};

}

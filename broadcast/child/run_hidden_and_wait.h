#pragma once

#include "platform/process/process.h"
#include "platform/ui/message_queue.h"

#include <string>
#include <vector>

namespace broadcast {

// Runs another program to its end while the user-interface thread goes on dispatching:
// the main window is disabled meanwhile, then enabled again and brought to the front,
// whichever way the wait ends. A WM_QUIT taken meanwhile stops the dispatching and stays
// pending for the application's loop; the child is still waited for. A program that
// cannot be started leaves the window untouched; the result says why.
platform::process::run_result run_hidden_and_wait(platform::ui::MessageQueue& queue, const std::string& program,
    const std::vector<std::string>& arguments);

}

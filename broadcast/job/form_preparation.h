#pragma once

#include "platform/process/process.h"
#include "platform/ui/dialog_template.h"
#include "platform/ui/ui_host.h"

#include <functional>
#include <string>
#include <vector>

namespace broadcast {

// What preparing a web form takes from the program.
struct form_preparation {
    // The active view makes a form (false without a view).
    bool form_creation_mode = false;
    platform::ui::UiHost& host;
    const platform::ui::DialogTemplates& dialogs;
    // The program's own file, by absolute path: it edits the greetings as a child.
    std::string program;
    // The child's parameters for a greetings file, the redirector and whether the editor
    // removes the redirect link (the form travels as an attachment).
    std::function<std::vector<std::string>(const std::string& greetings, const std::string& redirector,
        bool remove_link)>
        greetings_arguments;
    // Runs the child to its end while the user interface waits (run_hidden_and_wait).
    std::function<platform::process::run_result(const std::string& program, const std::vector<std::string>& arguments)>
        run_child;
};

}

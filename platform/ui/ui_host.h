#pragma once

#include "platform/prompts/message_box.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace platform::strings {
class string_table;
}

namespace platform::ui {

// Hosts answer the program's questions: the prompt seam's names read as the layer's own.
using namespace platform::prompts;

class Dialog;
class PropertySheet;

struct OpenFileRequest {
    std::string title;
    std::string filter;         // "name|*.ext|name|*.ext||"
    std::string initial_folder;
    std::string default_extension {}; // added to a typed name without one
    bool file_must_exist = false;
};

// What the program asks of the user: message boxes, modal dialogs, file choice and help.
class UiHost : public prompt {
public:
    explicit UiHost(const strings::string_table& strings) : strings_(strings) { }

    using prompt::message_box;
    // A string resource; "%1", "%2"... are replaced by the arguments.
    int message_box(unsigned string_id, unsigned type, const std::vector<std::string>& arguments = {});

    // Runs the dialog until it ends; its end code.
    virtual int run_modal(Dialog& dialog) = 0;
    virtual int run_modal(PropertySheet& sheet) = 0;
    virtual std::optional<std::string> open_file(const OpenFileRequest& request) = 0;
    virtual void help(int context) = 0;

    const strings::string_table& strings() const { return strings_; }

private:
    const strings::string_table& strings_;
};

// "%1".."%9" of a resource text replaced by the arguments.
std::string format_message(const std::string& text, const std::vector<std::string>& arguments);

// The host of the program while it has no screen: message boxes are printed on stderr
// and answered OK, else Cancel, else No; modal dialogs and file choices are cancelled.
class HeadlessHost final : public UiHost {
public:
    using UiHost::UiHost;
    using UiHost::message_box;
    int message_box(const message_box_request& request) override;
    int run_modal(Dialog& dialog) override;
    int run_modal(PropertySheet& sheet) override;
    std::optional<std::string> open_file(const OpenFileRequest& request) override;
    void help(int context) override;
};

// Receives the diagnostic lines of the dialog layer (the program routes them to its
// trace log); none installed drops them.
void set_ui_trace(std::function<void(const std::string&)> sink);
void ui_trace(const std::string& line);

}

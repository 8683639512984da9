#pragma once

#include "platform/prompts/message_box.h"
#include "platform/ui/headless_answers.h"

#include <atomic>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::strings {
class string_table;
}

namespace platform::ui {

// Hosts answer the program's questions: the prompt seam's names read as the layer's own.
using namespace platform::prompts;

class Dialog;
class MenuModel;
class MessageQueue;
class PropertySheet;

struct OpenFileRequest {
    std::string title;
    std::string filter;         // "name|*.ext|name|*.ext||"
    std::string initial_folder;
    std::string default_extension {}; // added to a typed name without one
    bool file_must_exist = false;
    bool save = false;          // a save dialog; an open dialog otherwise
    bool multiple = false;      // an open dialog where several files may be chosen at once
    int filter_index = 0;       // the filter shown first, counted from 1; 0 for the first
    // A child panel shown inside the dialog; when the panel ends itself the dialog ends as
    // confirmed, without a name (the answer's `skipped`).
    Dialog* panel = nullptr;
    // Runs when the user confirms a name; true keeps the dialog open for another choice.
    std::function<bool(const std::string& path)> keep_open {};
    std::string default_name {};    // the name proposed in a save dialog
    bool overwrite_prompt = false;  // a save dialog asks before it names an existing file
};

// What the user chose in a file dialog.
struct FileChoice {
    std::string path;     // empty when skipped
    int filter_index = 1; // the filter in force, counted from 1
    bool skipped = false; // the panel ended the dialog
    std::vector<std::string> paths {}; // every file chosen (several with `multiple`); `path` is the first
};

enum class help_style { topic, popup };

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
    // The file the user chose; nothing when the dialog was cancelled.
    virtual std::optional<FileChoice> open_file(const OpenFileRequest& request) = 0;
    virtual void help(int context, help_style style) = 0;
    void help(int context) { help(context, help_style::topic); }
    // Help opened at the index entry of a keyword.
    virtual void help_key(const std::string& keyword) = 0;
    // A folder the user chooses, the browser titled and showing `start` first; nothing
    // when cancelled.
    virtual std::optional<std::string> browse_folder(const std::string& title, const std::string& start) = 0;
    // Opens a file with the desktop's program for it, not waiting for that program; false
    // (traced) when there is none or it could not be started.
    virtual bool shell_open(const std::string& path);
    // The next menu command a script chooses once the program waits for the user; none
    // when nothing is scripted (a user at a screen chooses through the menus).
    virtual std::optional<int> next_command() { return std::nullopt; }
    // Shows a popup menu at a screen point until the user picks an item or dismisses it:
    // the chosen command id, 0 for none. A host without a screen picks nothing.
    virtual int track_popup_menu(const MenuModel& menu, int screen_x, int screen_y);
    // The error sound (a failure that needs no message).
    virtual void beep();

    // The wait cursor shows while the count is above zero; any thread may change it.
    void begin_wait_cursor() { ++wait_cursor_count_; }
    void end_wait_cursor() { --wait_cursor_count_; }
    int wait_cursor_count() const { return wait_cursor_count_.load(); }

    const strings::string_table& strings() const { return strings_; }

    // The user-interface thread's queue, where running dialogs own a window for posts
    // from other threads; none: dialogs take no posts.
    MessageQueue* ui_queue() const { return ui_queue_; }
    void set_ui_queue(MessageQueue* queue) { ui_queue_ = queue; }

protected:
    // A name confirmed in a file dialog, as the dialog takes it: false when the request's
    // check keeps the dialog open or the user declines to replace an existing file.
    bool confirm_file_name(const OpenFileRequest& request, const std::string& name);

private:
    const strings::string_table& strings_;
    MessageQueue* ui_queue_ = nullptr;
    std::atomic<int> wait_cursor_count_ {0};
};

// Shows the wait cursor for its lifetime.
class WaitCursor {
public:
    explicit WaitCursor(UiHost& host) : host_(host) { host_.begin_wait_cursor(); }
    ~WaitCursor() { host_.end_wait_cursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    UiHost& host_;
};

// "%1".."%9" of a resource text replaced by the arguments.
std::string format_message(const std::string& text, const std::vector<std::string>& arguments);



// The host of the program while it has no screen: message boxes are printed on stderr
// and answered OK, else Cancel, else No; file dialogs take the scripted files in turn and
// are cancelled when none is left; scripted commands are chosen in turn. A dialog listed in
// TALVERIN_HEADLESS_ANSWERS is created, its steps (typing, selections, clicks) done and
// its button pressed as a user would (a disabled, hidden or missing control cancels it); a dialog that ends by itself runs while
// the queue is pumped, its changing texts and bar printed on stderr, and is closed when
// its work is done; other modal dialogs are cancelled.
class HeadlessHost final : public UiHost {
public:
    explicit HeadlessHost(const strings::string_table& strings);
    using UiHost::message_box;
    int message_box(const message_box_request& request) override;
    int run_modal(Dialog& dialog) override;
    int run_modal(PropertySheet& sheet) override;
    std::optional<FileChoice> open_file(const OpenFileRequest& request) override;
    using UiHost::help;
    void help(int context, help_style style) override;
    void help_key(const std::string& keyword) override;
    std::optional<std::string> browse_folder(const std::string& title, const std::string& start) override;
    std::optional<int> next_command() override;

private:
    // Pumps the queue until the dialog ended or its work is done, printing its changes.
    void run_by_itself(Dialog& dialog);

    // Does the created dialog's scripted steps, then presses its scripted button; a step
    // that cannot be done cancels it.
    void play_answers(Dialog& dialog);

    HeadlessAnswers answers_;
    std::size_t next_command_ = 0;
    std::size_t next_file_ = 0;
};

// Receives the diagnostic lines of the dialog layer (the program routes them to its
// trace log); none installed drops them.
void set_ui_trace(std::function<void(const std::string&)> sink);
void ui_trace(const std::string& line);

}

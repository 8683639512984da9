#pragma once

#include "platform/ui/dialog.h"
#include "platform/ui/menu_model.h"
#include "platform/ui/ui_host.h"

#include <chrono>
#include <deque>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

namespace platform::ui::testing {

// Something no user could do: a disabled or hidden control, a disabled OK, a missing
// control or item, a dialog that has ended.
class ImpossibleInteraction : public std::logic_error {
public:
    using std::logic_error::logic_error;
};

class UnexpectedInteraction : public std::logic_error {
public:
    using std::logic_error::logic_error;
};

// Acts as a user on one running dialog or property sheet. Before each action the host's
// queue (when it has one) dispatches what is pending, as a modal loop does.
class DialogDriver {
public:
    explicit DialogDriver(Dialog& dialog) : dialog_(&dialog) { }
    explicit DialogDriver(PropertySheet& sheet) : sheet_(&sheet) { }

    void type(int control, const std::string& text);
    void click(int control);
    void select(int control, const std::string& item);
    void spin(int control, int steps);
    // Selects exactly these items of a multiple-selection list, or rows of a list view.
    void select_items(int control, std::vector<int> indices);
    // The date of a date picker, the time of a time picker.
    void set_date(int control, int year, int month, int day);
    void set_time(int control, int hour, int minute, int second = 0);
    // A click on the heading of a list view's column.
    void click_column(int control, int column);
    // The user drags the dialog's frame to this client size.
    void resize(int width, int height);
    void ok();
    // Enter: the default button's command, unless the dialog's OK button is disabled.
    void enter();
    // Escape: Cancel, or the cancel command where the dialog has no Cancel button.
    void cancel();
    void f1();
    // F1 while the control has the focus.
    void f1(int control);
    // The tool tip shown while the mouse rests on the control; empty for none.
    std::string hover(int control);
    void switch_page(int index);
    // Pumps the host's queue, waiting for posts from other threads, until the predicate
    // holds; past the limit the test fails and the answer is false.
    bool wait_until(const std::function<bool()>& done, std::chrono::milliseconds limit = std::chrono::seconds(30));

    // The dialog in front: the dialog, or the sheet's active page.
    Dialog& current();
    PropertySheet* sheet() { return sheet_; }

private:
    Control& usable(int control);
    void check_open();

    Dialog* dialog_ = nullptr;
    PropertySheet* sheet_ = nullptr;
};

// A host that plays what the test scripted, in order: each dialog by its id with a script
// that drives it, message boxes with their answers, file choices. Anything else, or
// something scripted that never came, fails the test.
class ScriptedHost final : public UiHost {
public:
    using Script = std::function<void(DialogDriver&)>;

    explicit ScriptedHost(const strings::string_table& strings) : UiHost(strings) { }
    ~ScriptedHost() override;

    // One file dialog: the panel (when the dialog has one) is driven first; then the names
    // are confirmed in turn, each refused by the name check giving way to the next; when
    // none is left the dialog is cancelled.
    struct FileDialogScript {
        Script panel {};
        std::vector<std::string> names {};
        int filter_index = 0; // the filter the user picks; 0 leaves the one shown first
    };

    void expect_dialog(int id, Script script);
    void expect_message(std::string text, unsigned type, int answer);
    void expect_open_file(std::optional<std::string> answer);
    void expect_file_dialog(FileDialogScript script);
    // One folder browser: the folder chosen, or nothing for Cancel.
    void expect_browse_folder(std::optional<std::string> answer);
    std::size_t pending() const { return expected_.size(); }

    std::vector<int> help_requests;
    std::vector<int> popup_help_requests;
    std::vector<std::string> messages_shown;
    std::vector<int> message_help_contexts;
    std::vector<OpenFileRequest> file_requests;
    std::vector<std::string> browse_titles;
    std::vector<std::string> shell_opened; // files shell_open was asked to open
    std::vector<std::string> help_keywords; // keywords help_key was asked for

    using UiHost::message_box;
    int message_box(const message_box_request& request) override;
    int run_modal(Dialog& dialog) override;
    int run_modal(PropertySheet& sheet) override;
    std::optional<FileChoice> open_file(const OpenFileRequest& request) override;
    using UiHost::help;
    void help(int context, help_style style) override
    {
        (style == help_style::popup ? popup_help_requests : help_requests).push_back(context);
    }
    void help_key(const std::string& keyword) override { help_keywords.push_back(keyword); }
    std::optional<std::string> browse_folder(const std::string& title, const std::string& start) override;
    bool shell_open(const std::string& path) override
    {
        shell_opened.push_back(path);
        return shell_open_works;
    }
    bool shell_open_works = true;

    // Popup menus: each shown one is kept; the answers are taken in order, 0 when none is left.
    std::deque<int> popup_answers;
    std::vector<MenuModel> popups_shown;
    std::vector<std::pair<int, int>> popup_points;
    int track_popup_menu(const MenuModel& menu, int screen_x, int screen_y) override
    {
        popups_shown.push_back(menu);
        popup_points.emplace_back(screen_x, screen_y);
        if (popup_answers.empty())
            return 0;
        int chosen = popup_answers.front();
        popup_answers.pop_front();
        return chosen;
    }
    int beeps = 0;
    void beep() override { ++beeps; }

private:
    struct dialog_step {
        int id;
        Script script;
    };
    struct message_step {
        std::string text;
        unsigned type;
        int answer;
    };
    struct browse_step {
        std::optional<std::string> answer;
    };
    using step = std::variant<dialog_step, message_step, FileDialogScript, browse_step>;

    template <class T>
    T take(const std::string& what);

    std::deque<step> expected_;
};

}

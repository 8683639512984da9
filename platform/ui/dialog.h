#pragma once

#include "platform/ui/dialog_template.h"
#include "platform/ui/ui_host.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace platform::ui {

inline constexpr unsigned IDP_PARSE_INT = 61712;       // "Please enter an integer."
inline constexpr unsigned IDP_PARSE_INT_RANGE = 61714; // "Please enter an integer between %1 and %2."
inline constexpr unsigned IDP_PARSE_STRING_SIZE = 61716; // "Please enter no more than %1 characters."

// A control's place in its dialog's client area.
struct placement {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool operator==(const placement&) const = default;
};

// The value of a date and time picker, in local time.
struct calendar_time {
    int year = 1970;
    int month = 1; // 1-12
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;
    bool operator==(const calendar_time&) const = default;
};

struct Control {
    ControlTemplate declared;
    std::string text;
    bool checked = false;
    int selection = -1; // combo, list: the selected item, -1 for none
    std::vector<std::string> items;
    bool enabled = true;
    bool visible = true;
    bool read_only = false; // edit: the user cannot type into it
    int position = 0;   // up-down, progress
    int image = 0;      // image: the bitmap shown
    std::size_t selection_start = 0; // edit: the selected text
    std::size_t selection_end = 0;
    std::string tooltip; // shown while the mouse rests on the control; empty for none
    std::vector<int> selected; // multiple-selection list, list view: the selected items, ascending
    // List view: each row's value, the owner's key to what the row shows, and the text of a
    // value in a column, asked for only when a row is shown or searched, so a long list
    // copies no text.
    std::vector<std::size_t> rows;
    std::function<std::string(std::size_t value, std::size_t column)> cell_text;
    calendar_time moment; // date and time picker
    int clicked_column = -1; // list view: the column whose heading was clicked last
    placement place;

    // The text of a list view's row in a column; empty without a cell_text.
    std::string row_text(std::size_t row, std::size_t column) const
    {
        return cell_text ? cell_text(rows.at(row), column) : std::string();
    }
};

class Dialog;

// Moves values between a dialog's controls and its members. A failed check has already
// told the user and focused the control; UpdateData then answers false.
class DataExchange {
public:
    DataExchange(Dialog& dialog, bool save) : dialog_(dialog), save_(save) { }
    bool saving() const { return save_; }

    void text(int id, std::string& value);
    void text(int id, int& value);
    void check(int id, int& value);
    // The index of the checked radio in the group that starts at `first_id`; -1 for none.
    void radio(int first_id, int& value);
    void combo_string(int id, std::string& value);
    // The selected item's index of a combo box; -1 for none.
    void combo_index(int id, int& value);
    // A list box's selected text (empty for none); in, the first item that starts with the
    // value, case ignored, is selected (none when no item does).
    void list_string(int id, std::string& value);
    void date_time(int id, calendar_time& value);
    // Checks of the last control exchanged, when saving.
    void int_range(long long value, int low, int high);
    void max_chars(const std::string& value, std::size_t most);

    // Ends the exchange as failed, focusing the last control exchanged; for checks of
    // the dialog's own, after it told the user.
    [[noreturn]] void Fail();

private:
    Dialog& dialog_;
    bool save_;
    int last_control_ = 0;
};

// A modal dialog over a template. Its controls behave as the platform's do: programmatic
// edit text notifies EN_UPDATE then EN_CHANGE; CheckDlgButton and set_cur_sel notify
// nothing; the user_* operations are what a user's typing and clicks do.
class Dialog {
public:
    Dialog(const DialogTemplate& dialog_template, UiHost& host);
    virtual ~Dialog();
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;

    int DoModal() { return host_.run_modal(*this); }

    int id() const { return template_.id; }
    const DialogTemplate& dialog_template() const { return template_; }
    UiHost& host() { return host_; }
    // The caption: the template's until the dialog sets its own.
    const std::string& GetWindowText() const { return caption_; }
    void SetWindowText(std::string caption) { caption_ = std::move(caption); }
    virtual int help_context() const { return template_.help_context ? template_.help_context : template_.id; }

    // Makes the controls and runs OnInitDialog; false when the dialog ended at once.
    bool create();
    bool created() const { return created_; }
    bool ended() const { return end_code_.has_value(); }
    int end_code() const { return end_code_.value_or(0); }
    void EndDialog(int code);

    // Any thread: queues a message for OnMessage on the user-interface thread. False when
    // the dialog is not running (not created, ended) or its host has no queue.
    bool post(std::uint32_t id, std::uintptr_t wparam = 0, std::intptr_t lparam = 0);
    // A posted message, on the user-interface thread.
    virtual void OnMessage(std::uint32_t /*id*/, std::uintptr_t /*wparam*/, std::intptr_t /*lparam*/) { }
    // A status dialog runs without the user: a host without a screen pumps its posts
    // until it ends, or until its work is done and it may be closed with Cancel.
    virtual bool ends_by_itself() const { return false; }
    virtual bool work_done() const { return ended(); }

    // The exchange in (false) or out (true); false when a check failed.
    bool UpdateData(bool save = true);

    virtual bool OnInitDialog();
    virtual void DoDataExchange(DataExchange&) { }
    virtual void OnOK();
    virtual void OnCancel() { EndDialog(IDCANCEL); }
    // A notification from a control (BN_CLICKED, EN_CHANGE...); the default handles OK and Cancel.
    virtual void OnCommand(int control, int code);
    // F1 on a control: a control with a help context of its own shows it as a popup,
    // any other the dialog's help topic.
    virtual void OnHelp(int control);

    bool has_item(int id) const;
    Control& item(int id); // throws std::out_of_range for a missing control
    const Control& item(int id) const;
    const std::vector<Control>& controls() const { return controls_; }

    void SetDlgItemText(int id, const std::string& text);
    std::string GetDlgItemText(int id) const { return item(id).text; }
    void CheckDlgButton(int id, bool checked) { item(id).checked = checked; }
    bool IsDlgButtonChecked(int id) const { return item(id).checked; }
    void set_cur_sel(int id, int index);
    int get_cur_sel(int id) const { return item(id).selection; }
    // Appends, or inserts in order (case ignored) into a sorted list; the item's index.
    int add_string(int id, const std::string& text);
    void delete_string(int id, int index);
    // The first item equal to the text, case ignored; -1 for none.
    int find_string_exact(int id, const std::string& text) const;
    // The selected items of a multiple-selection list or list view, ascending.
    const std::vector<int>& selected_items(int id) const { return item(id).selected; }
    void set_selected_items(int id, std::vector<int> indices);
    // A control made at run time; its id must be new to the dialog.
    Control& add_control(ControlTemplate declared);
    void move_item(int id, placement place) { item(id).place = place; }
    // The client area's size; a resize below the template's minimum keeps the minimum.
    int client_width() const { return width_; }
    int client_height() const { return height_; }
    void resize(int width, int height);
    virtual void OnSize(int /*width*/, int /*height*/) { }
    void EnableItem(int id, bool enabled) { item(id).enabled = enabled; }
    void ShowItem(int id, bool visible) { item(id).visible = visible; }
    // An edit the user may read and select but not type into.
    void SetReadOnly(int id, bool read_only) { item(id).read_only = read_only; }
    void GotoDlgCtrl(int id);
    int focus() const { return focus_; }

    // What the user does; callers check first that a user could (enabled and visible).
    void user_type(int id, const std::string& text);
    void user_click(int id);
    void user_select(int id, int index);
    void user_spin(int id, int steps);
    // Selects exactly these items of a multiple-selection list or list view (a click in it).
    void user_select_items(int id, std::vector<int> indices);
    void user_set_moment(int id, const calendar_time& moment);
    void user_click_column(int id, int column);

    // Progress bars: the range and the position, kept inside the range.
    void set_range(int id, int low, int high);
    void set_position(int id, int position);

private:
    void set_text_notifying(Control& control, const std::string& text);
    // The radios of the group that holds `id`.
    std::vector<int> radio_group(int id) const;

    const DialogTemplate& template_;
    UiHost& host_;
    std::string caption_;
    std::vector<Control> controls_;
    std::optional<int> end_code_;
    bool created_ = false;
    int focus_ = 0;
    std::atomic<std::uintptr_t> window_ {0}; // in the host's queue while running
    int width_ = 0;
    int height_ = 0;
};

// One page of a property sheet.
class PropertyPage : public Dialog {
public:
    using Dialog::Dialog;
    virtual bool OnSetActive() { return true; }
    // Leaving the page: the exchange out; false keeps the page.
    virtual bool OnKillActive() { return UpdateData(true); }
    // The sheet's OK, for every page that was created.
    void OnOK() override { }

    // The page-changed flag: set when the user edits a value the page keeps.
    void SetModified(bool changed = true) { modified_ = changed; }
    bool modified() const { return modified_; }

private:
    bool modified_ = false;
};

// Pages made on first activation; switching leaves the active page (which may refuse)
// and exchanges into a page shown again; OK ends through the active page's leave and then
// every created page's OnOK in order; Cancel ends touching nothing.
class PropertySheet {
public:
    PropertySheet(int id, std::string caption, UiHost& host);
    virtual ~PropertySheet() = default;

    void AddPage(PropertyPage& page) { pages_.push_back(&page); }
    int DoModal() { return host_.run_modal(*this); }

    int id() const { return id_; }
    const std::string& caption() const { return caption_; }
    UiHost& host() { return host_; }
    std::size_t page_count() const { return pages_.size(); }
    PropertyPage& page(std::size_t index) { return *pages_.at(index); }
    int active_index() const { return active_; }
    PropertyPage& active_page() { return *pages_.at(static_cast<std::size_t>(active_)); }

    // Shows the first page; false when it could not be created.
    bool begin(int start_page = 0);
    // False when the active page refused to be left or the index is out of range.
    bool SetActivePage(int index);
    void press_ok();
    void press_cancel() { end_code_ = IDCANCEL; }
    void press_help() { host_.help(active_page().help_context()); }

    bool ended() const { return end_code_.has_value(); }
    int end_code() const { return end_code_.value_or(0); }

private:
    bool activate(int index);

    int id_;
    std::string caption_;
    UiHost& host_;
    std::vector<PropertyPage*> pages_;
    int active_ = -1;
    std::optional<int> end_code_;
};

}

#pragma once

#include <map>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace platform::ui {

enum class ControlKind { static_text, image, edit, push_button, check_box, radio_button, combo_box, list_box, up_down, list_view, date_time, progress };

// A column of a list view: its heading and width.
struct ListColumn {
    std::string title;
    int width = 0;
};

struct ControlTemplate {
    int id = 0;
    ControlKind kind = ControlKind::static_text;
    std::string text;
    bool password = false;            // edit
    int limit = 0;                    // edit: most characters typed; 0 for none
    bool auto_radio = false;          // radio: a click checks it and unchecks its group
    bool group = false;               // starts a group of radios
    bool editable = false;            // combo: the user may type
    std::vector<std::string> items;   // combo, list
    bool multi = false;               // list, list view: several items may be selected
    bool sorted = false;              // list: items are kept in order, case ignored
    std::vector<ListColumn> columns;  // list view
    bool time_of_day = false;         // date and time picker: shows the time, else the date
    int low = 0;                      // up-down, progress range
    int high = 100;
    int buddy = 0;                    // up-down: the edit it counts in
    int bitmap = 0;                   // image
    int tooltip = 0;                  // string resource shown while the mouse rests on it; 0 for none
    int help_context = 0;             // context help of the control; 0: the dialog's
    bool enabled = true;
    bool visible = true;
    bool multiline = false;           // edit: several lines, wrapped
    bool read_only = false;           // edit: shown and selectable, not typed into
};

struct DialogTemplate {
    int id = 0;
    std::string caption;
    int help_context = 0;
    int min_width = 0; // the smallest client size a resizable dialog keeps
    int min_height = 0;
    std::vector<ControlTemplate> controls;
};

class dialog_template_error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The program's dialog templates, read from a text file:
//   dialog <id> "<caption>" [help=<n>] [min=<width>x<height>]
//   <kind> <id> ["<text>"] [options]       kind: static image edit button check radio combo list updown
//                                          listview datetime progress
//   end
// Options: password limit=<n> auto group editable items="a|b" range=<low>..<high> buddy=<id>
// bitmap=<id> tip=<string id> help=<context> disabled hidden multi sorted columns="title:width|..."
// time multiline readonly. Blank lines and "#" comments are skipped.
class DialogTemplates {
public:
    static DialogTemplates load(const std::string& path);
    static DialogTemplates parse(std::string_view text, std::string_view file_name);

    // Throws dialog_template_error for an unknown id.
    const DialogTemplate& get(int id) const;
    bool contains(int id) const { return dialogs_.count(id) != 0; }

private:
    std::map<int, DialogTemplate> dialogs_;
};

}

#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace platform::ui {

class Dialog;

// One thing a user does in a dialog before pressing its closing button.
struct headless_step {
    enum class action { type, select, click };
    action what = action::click;
    int control = 0;
    std::string text; // type: the text typed; select: the item's text, or "#<index>"
};

// Scripted answers of a host without a screen, one line each; blank lines and "#"
// comments are skipped:
//   <dialog id> <button id>                the button that closes the dialog
//   <dialog id> type <control> <text>      text typed into an edit (the rest of the line)
//   <dialog id> select <control> <item>    the item with that text, or "#<index>", selected
//   <dialog id> click <control>            a button clicked that keeps the dialog open
//   command <id>                           a menu command chosen once the program waits
//   file <path>                            the file named in the next file dialog
// Steps run in the order written, each time the dialog opens; commands and files are
// taken once each, in order. A line that is none of these is reported in `problems`.
struct HeadlessAnswers {
    std::map<int, int> buttons;
    std::map<int, std::vector<headless_step>> steps;
    std::vector<int> commands;
    std::vector<std::string> files;
    std::vector<std::string> problems;
};
HeadlessAnswers parse_headless_answers(std::string_view text);

// Does one step as a user would; false (and why, in `problem`) when the control is
// missing, disabled or hidden, or the item is not there.
bool perform_headless_step(Dialog& dialog, const headless_step& step, std::string& problem);

}

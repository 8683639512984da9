#include "platform/ui/headless_answers.h"

#include "platform/ui/dialog.h"

#include <algorithm>
#include <charconv>

namespace platform::ui {

namespace {

bool is_blank(char c)
{
    return c == ' ' || c == '\t';
}

std::string_view trimmed(std::string_view line)
{
    while (!line.empty() && (line.back() == '\r' || is_blank(line.back())))
        line.remove_suffix(1);
    while (!line.empty() && is_blank(line.front()))
        line.remove_prefix(1);
    return line;
}

// The next word of `rest` (blanks before it skipped); `rest` keeps what follows it.
std::string_view next_word(std::string_view& rest)
{
    while (!rest.empty() && is_blank(rest.front()))
        rest.remove_prefix(1);
    std::size_t end = 0;
    while (end < rest.size() && !is_blank(rest[end]))
        ++end;
    auto word = rest.substr(0, end);
    rest.remove_prefix(end);
    return word;
}

bool to_int(std::string_view word, int& value)
{
    if (word.empty())
        return false;
    auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
    return error == std::errc() && end == word.data() + word.size();
}

bool equal_ignoring_case(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        return lower(x) == lower(y);
    });
}

// The index of the item named `text` in a list, combo box or list view: "#<n>" by position,
// else the first item (or row, any column) with that text, exact before ignoring case.
int find_item(const Control& control, const std::string& text)
{
    int index = -1;
    if (text.size() > 1 && text.front() == '#' && to_int(std::string_view(text).substr(1), index))
        return index >= 0 ? index : -1;
    for (bool exact : {true, false}) {
        auto same = [&](const std::string& item) { return exact ? item == text : equal_ignoring_case(item, text); };
        for (std::size_t i = 0; i < control.items.size(); ++i)
            if (same(control.items[i]))
                return static_cast<int>(i);
        for (std::size_t i = 0; i < control.rows.size(); ++i)
            for (std::size_t column = 0; column < control.declared.columns.size(); ++column)
                if (same(control.row_text(i, column)))
                    return static_cast<int>(i);
    }
    return -1;
}

}

HeadlessAnswers parse_headless_answers(std::string_view text)
{
    HeadlessAnswers answers;
    std::size_t line_number = 0;
    for (std::size_t at = 0; at <= text.size();) {
        std::size_t end = text.find('\n', at);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = trimmed(text.substr(at, end - at));
        at = end + 1;
        ++line_number;
        if (line.empty() || line.front() == '#')
            continue;
        auto rest = line;
        if (auto first = next_word(rest); first == "command" || first == "file") {
            int command = 0;
            if (first == "file" && !trimmed(rest).empty()) {
                answers.files.emplace_back(trimmed(rest));
                continue;
            }
            if (first == "command" && to_int(next_word(rest), command) && trimmed(rest).empty()) {
                answers.commands.push_back(command);
                continue;
            }
            answers.problems.push_back("line " + std::to_string(line_number) + ": \"" + std::string(line)
                + "\" is not \"command <id>\" or \"file <path>\"");
            continue;
        }
        rest = line;
        int dialog = 0;
        int button = 0;
        int control = 0;
        const bool named = to_int(next_word(rest), dialog);
        const auto word = next_word(rest);
        if (named && to_int(word, button) && trimmed(rest).empty()) {
            answers.buttons[dialog] = button;
            continue;
        }
        const bool has_control = named && to_int(next_word(rest), control);
        if (has_control && !rest.empty() && is_blank(rest.front()))
            rest.remove_prefix(1); // the one separator; the rest is the text as written
        if (has_control && word == "type") {
            answers.steps[dialog].push_back({headless_step::action::type, control, std::string(rest)});
        } else if (has_control && word == "select" && !trimmed(rest).empty()) {
            answers.steps[dialog].push_back({headless_step::action::select, control, std::string(trimmed(rest))});
        } else if (has_control && word == "click" && trimmed(rest).empty()) {
            answers.steps[dialog].push_back({headless_step::action::click, control, {}});
        } else {
            answers.problems.push_back("line " + std::to_string(line_number) + ": \"" + std::string(line)
                + "\" is not \"<dialog id> <button id>\", \"<dialog id> type <control> <text>\", "
                  "\"<dialog id> select <control> <item>\" or \"<dialog id> click <control>\"");
        }
    }
    return answers;
}

bool perform_headless_step(Dialog& dialog, const headless_step& step, std::string& problem)
{
    const auto name = "control " + std::to_string(step.control);
    if (!dialog.has_item(step.control)) {
        problem = name + " is missing";
        return false;
    }
    const auto& control = dialog.item(step.control);
    if (!control.enabled || !control.visible) {
        problem = name + " is disabled or hidden";
        return false;
    }
    switch (step.what) {
    case headless_step::action::type:
        dialog.user_type(step.control, step.text);
        return true;
    case headless_step::action::select: {
        const int index = find_item(control, step.text);
        const auto count = std::max(control.items.size(), control.rows.size());
        if (index < 0 || static_cast<std::size_t>(index) >= count) {
            problem = name + " has no item \"" + step.text + "\"";
            return false;
        }
        if (control.declared.kind == ControlKind::list_view || control.declared.multi)
            dialog.user_select_items(step.control, {index});
        else
            dialog.user_select(step.control, index);
        return true;
    }
    case headless_step::action::click:
        dialog.user_click(step.control);
        return true;
    }
    return false;
}

}

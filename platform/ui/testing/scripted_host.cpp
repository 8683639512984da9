#include "platform/ui/testing/scripted_host.h"

#include "platform/ui/messages.h"
#include "platform/ui/message_queue.h"

#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>

namespace platform::ui::testing {

void DialogDriver::check_open()
{
    // A modal loop dispatches what was posted before it takes the user's next action.
    if (auto* queue = (dialog_ ? dialog_->host() : sheet_->host()).ui_queue())
        queue->pump();
    if ((dialog_ && dialog_->ended()) || (sheet_ && sheet_->ended()))
        throw ImpossibleInteraction("the dialog has ended");
}

Dialog& DialogDriver::current()
{
    return sheet_ ? static_cast<Dialog&>(sheet_->active_page()) : *dialog_;
}

Control& DialogDriver::usable(int control)
{
    check_open();
    auto& dialog = current();
    if (!dialog.has_item(control))
        throw ImpossibleInteraction("dialog " + std::to_string(dialog.id()) + " has no control " + std::to_string(control));
    auto& found = dialog.item(control);
    if (!found.visible)
        throw ImpossibleInteraction("control " + std::to_string(control) + " is hidden");
    if (!found.enabled)
        throw ImpossibleInteraction("control " + std::to_string(control) + " is disabled");
    return found;
}

void DialogDriver::type(int control, const std::string& text)
{
    auto& target = usable(control);
    bool typable = target.declared.kind == ControlKind::edit
        || (target.declared.kind == ControlKind::combo_box && target.declared.editable);
    if (!typable)
        throw ImpossibleInteraction("control " + std::to_string(control) + " takes no typing");
    if (target.read_only)
        throw ImpossibleInteraction("control " + std::to_string(control) + " is read-only");
    current().user_type(control, text);
}

void DialogDriver::click(int control)
{
    auto& target = usable(control);
    auto kind = target.declared.kind;
    if (kind != ControlKind::push_button && kind != ControlKind::check_box && kind != ControlKind::radio_button)
        throw ImpossibleInteraction("control " + std::to_string(control) + " is not a button");
    current().user_click(control);
}

void DialogDriver::select(int control, const std::string& item)
{
    auto& target = usable(control);
    if (target.declared.kind != ControlKind::combo_box && target.declared.kind != ControlKind::list_box)
        throw ImpossibleInteraction("control " + std::to_string(control) + " is not a combo or list box");
    for (std::size_t i = 0; i < target.items.size(); ++i) {
        if (target.items[i] == item) {
            current().user_select(control, static_cast<int>(i));
            return;
        }
    }
    throw ImpossibleInteraction("control " + std::to_string(control) + " has no item \"" + item + "\"");
}

void DialogDriver::spin(int control, int steps)
{
    auto& target = usable(control);
    if (target.declared.kind != ControlKind::up_down)
        throw ImpossibleInteraction("control " + std::to_string(control) + " is not an up-down control");
    current().user_spin(control, steps);
}

void DialogDriver::select_items(int control, std::vector<int> indices)
{
    auto& target = usable(control);
    const bool list = target.declared.kind == ControlKind::list_box && target.declared.multi;
    if (!list && target.declared.kind != ControlKind::list_view)
        throw ImpossibleInteraction("control " + std::to_string(control) + " takes no multiple selection");
    const std::size_t count = list ? target.items.size() : target.rows.size();
    for (int index : indices) {
        if (index < 0 || static_cast<std::size_t>(index) >= count)
            throw ImpossibleInteraction("control " + std::to_string(control) + " has no item " + std::to_string(index));
    }
    if (!target.declared.multi && indices.size() > 1)
        throw ImpossibleInteraction("control " + std::to_string(control) + " selects one item at most");
    current().user_select_items(control, std::move(indices));
}

void DialogDriver::set_date(int control, int year, int month, int day)
{
    auto& target = usable(control);
    if (target.declared.kind != ControlKind::date_time || target.declared.time_of_day)
        throw ImpossibleInteraction("control " + std::to_string(control) + " is not a date picker");
    calendar_time moment = target.moment;
    moment.year = year;
    moment.month = month;
    moment.day = day;
    current().user_set_moment(control, moment);
}

void DialogDriver::set_time(int control, int hour, int minute, int second)
{
    auto& target = usable(control);
    if (target.declared.kind != ControlKind::date_time || !target.declared.time_of_day)
        throw ImpossibleInteraction("control " + std::to_string(control) + " is not a time picker");
    calendar_time moment = target.moment;
    moment.hour = hour;
    moment.minute = minute;
    moment.second = second;
    current().user_set_moment(control, moment);
}

void DialogDriver::click_column(int control, int column)
{
    auto& target = usable(control);
    if (target.declared.kind != ControlKind::list_view)
        throw ImpossibleInteraction("control " + std::to_string(control) + " is not a list view");
    if (column < 0 || static_cast<std::size_t>(column) >= target.declared.columns.size())
        throw ImpossibleInteraction("list view " + std::to_string(control) + " has no column " + std::to_string(column));
    current().user_click_column(control, column);
}

void DialogDriver::resize(int width, int height)
{
    check_open();
    current().resize(width, height);
}

void DialogDriver::ok()
{
    if (sheet_) {
        check_open();
        sheet_->press_ok();
        return;
    }
    usable(IDOK);
    dialog_->user_click(IDOK);
}

void DialogDriver::enter()
{
    check_open();
    auto& dialog = current();
    if (dialog.has_item(IDOK) && !dialog.item(IDOK).enabled)
        return;
    dialog.OnCommand(IDOK, BN_CLICKED);
}

void DialogDriver::cancel()
{
    if (sheet_) {
        check_open();
        sheet_->press_cancel();
        return;
    }
    if (!current().has_item(IDCANCEL)) {
        // Escape: the cancel command, as the system sends it to a dialog without a Cancel button.
        check_open();
        dialog_->OnCommand(IDCANCEL, BN_CLICKED);
        return;
    }
    usable(IDCANCEL);
    dialog_->user_click(IDCANCEL);
}

void DialogDriver::f1()
{
    check_open();
    if (sheet_)
        sheet_->press_help();
    else
        dialog_->host().help(dialog_->help_context());
}

void DialogDriver::f1(int control)
{
    usable(control);
    current().OnHelp(control);
}

std::string DialogDriver::hover(int control)
{
    check_open();
    auto& dialog = current();
    if (!dialog.has_item(control) || !dialog.item(control).visible)
        throw ImpossibleInteraction("no visible control " + std::to_string(control) + " to rest the mouse on");
    return dialog.item(control).tooltip;
}

void DialogDriver::switch_page(int index)
{
    check_open();
    if (!sheet_)
        throw ImpossibleInteraction("a dialog has no pages");
    if (index < 0 || index >= static_cast<int>(sheet_->page_count()))
        throw ImpossibleInteraction("the sheet has no page " + std::to_string(index));
    sheet_->SetActivePage(index);
}

ScriptedHost::~ScriptedHost()
{
    if (!expected_.empty())
        ADD_FAILURE() << expected_.size() << " scripted interaction(s) never came";
}

void ScriptedHost::expect_dialog(int id, Script script)
{
    expected_.push_back(dialog_step {id, std::move(script)});
}

void ScriptedHost::expect_message(std::string text, unsigned type, int answer)
{
    expected_.push_back(message_step {std::move(text), type, answer});
}

void ScriptedHost::expect_open_file(std::optional<std::string> answer)
{
    FileDialogScript script;
    if (answer)
        script.names.push_back(std::move(*answer));
    expected_.push_back(std::move(script));
}

void ScriptedHost::expect_file_dialog(FileDialogScript script)
{
    expected_.push_back(std::move(script));
}

template <class T>
T ScriptedHost::take(const std::string& what)
{
    if (expected_.empty() || !std::holds_alternative<T>(expected_.front())) {
        ADD_FAILURE() << "unscripted " << what;
        throw UnexpectedInteraction("unscripted " + what);
    }
    T step = std::get<T>(std::move(expected_.front()));
    expected_.pop_front();
    return step;
}

int ScriptedHost::message_box(const message_box_request& request)
{
    auto step = take<message_step>("message box \"" + request.text + "\"");
    messages_shown.push_back(request.text);
    message_help_contexts.push_back(request.help_context);
    if (step.text != request.text || step.type != request.type) {
        ADD_FAILURE() << "message box differs: expected \"" << step.text << "\" type " << step.type << ", got \""
                      << request.text << "\" type " << request.type;
        throw UnexpectedInteraction("message box differs");
    }
    return step.answer;
}

bool DialogDriver::wait_until(const std::function<bool()>& done, std::chrono::milliseconds limit)
{
    auto* queue = current().host().ui_queue();
    if (!queue)
        throw ImpossibleInteraction("the host has no message queue to wait on");
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        if (queue->pump_until(done))
            return true;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            ADD_FAILURE() << "dialog " << current().id() << ": the awaited condition did not come within "
                          << limit.count() << " ms";
            return false;
        }
        platform::threads::wait(static_cast<std::uint32_t>(left.count()));
    }
}

int ScriptedHost::run_modal(Dialog& dialog)
{
    auto step = take<dialog_step>("dialog " + std::to_string(dialog.id()));
    if (step.id != dialog.id()) {
        ADD_FAILURE() << "expected dialog " << step.id << ", got " << dialog.id();
        throw UnexpectedInteraction("different dialog");
    }
    if (!dialog.create())
        return dialog.end_code();
    DialogDriver driver(dialog);
    step.script(driver);
    if (!dialog.ended()) {
        ADD_FAILURE() << "the script left dialog " << dialog.id() << " open";
        throw UnexpectedInteraction("dialog left open");
    }
    return dialog.end_code();
}

int ScriptedHost::run_modal(PropertySheet& sheet)
{
    auto step = take<dialog_step>("property sheet " + std::to_string(sheet.id()));
    if (step.id != sheet.id()) {
        ADD_FAILURE() << "expected dialog " << step.id << ", got sheet " << sheet.id();
        throw UnexpectedInteraction("different dialog");
    }
    if (!sheet.begin())
        return -1;
    DialogDriver driver(sheet);
    step.script(driver);
    if (!sheet.ended()) {
        ADD_FAILURE() << "the script left sheet " << sheet.id() << " open";
        throw UnexpectedInteraction("sheet left open");
    }
    return sheet.end_code();
}

std::optional<FileChoice> ScriptedHost::open_file(const OpenFileRequest& request)
{
    file_requests.push_back(request);
    auto step = take<FileDialogScript>("file choice \"" + request.title + "\"");
    const int filter_index = step.filter_index != 0 ? step.filter_index : std::max(request.filter_index, 1);
    if (request.panel) {
        if (!request.panel->create())
            return std::nullopt;
        if (step.panel) {
            DialogDriver driver(*request.panel);
            step.panel(driver);
        }
        if (request.panel->ended())
            return FileChoice {{}, filter_index, true};
    } else if (step.panel) {
        ADD_FAILURE() << "the file dialog \"" << request.title << "\" has no panel to drive";
        throw UnexpectedInteraction("no panel");
    }
    if (request.multiple && !step.names.empty()) {
        // The user picks every scripted name at once.
        FileChoice choice {step.names.front(), filter_index, false};
        choice.paths = step.names;
        return choice;
    }
    for (const auto& name : step.names) {
        if (confirm_file_name(request, name))
            return FileChoice {name, filter_index, false, {name}};
    }
    return std::nullopt;
}

void ScriptedHost::expect_browse_folder(std::optional<std::string> answer)
{
    expected_.push_back(browse_step {std::move(answer)});
}

std::optional<std::string> ScriptedHost::browse_folder(const std::string& title, const std::string&)
{
    browse_titles.push_back(title);
    return take<browse_step>("folder browser \"" + title + "\"").answer;
}

}

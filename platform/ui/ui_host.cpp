#include "platform/ui/ui_host.h"

#include "platform/process/process.h"
#include "platform/strings/string_table.h"
#include "platform/ui/dialog.h"
#include "platform/ui/message_queue.h"

#include <charconv>
#include <cstdlib>
#include <mutex>
#include <unistd.h>

namespace platform::ui {

namespace {

std::mutex trace_mutex;
std::function<void(const std::string&)> trace_sink;

void print_line(const std::string& line)
{
    [[maybe_unused]] auto written = ::write(STDERR_FILENO, line.data(), line.size());
}

}

void set_ui_trace(std::function<void(const std::string&)> sink)
{
    std::lock_guard guard(trace_mutex);
    trace_sink = std::move(sink);
}

void ui_trace(const std::string& line)
{
    std::lock_guard guard(trace_mutex);
    if (trace_sink)
        trace_sink(line);
}

std::string format_message(const std::string& text, const std::vector<std::string>& arguments)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 1 < text.size() && text[i + 1] >= '1' && text[i + 1] <= '9') {
            auto index = static_cast<std::size_t>(text[i + 1] - '1');
            if (index < arguments.size()) {
                out += arguments[index];
                ++i;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

int UiHost::message_box(unsigned string_id, unsigned type, const std::vector<std::string>& arguments)
{
    // A box made from a string resource has that string's help topic.
    return message_box(message_box_request {format_message(strings_.text(string_id), arguments), application_title, type,
        static_cast<int>(string_id)});
}

int HeadlessHost::message_box(const message_box_request& request)
{
    print_line(request.caption + ": " + request.text + "\n");
    switch (request.type & MB_TYPEMASK) {
    case MB_OK:
    case MB_OKCANCEL:
        return IDOK;
    case MB_YESNOCANCEL:
    case MB_RETRYCANCEL:
        return IDCANCEL;
    case MB_YESNO:
        return IDNO;
    default:
        return IDABORT;
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
        std::string_view line = text.substr(at, end - at);
        at = end + 1;
        ++line_number;
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
            line.remove_suffix(1);
        while (!line.empty() && (line.front() == ' ' || line.front() == '\t'))
            line.remove_prefix(1);
        if (line.empty() || line.front() == '#')
            continue;
        int dialog = 0;
        int button = 0;
        const char* cursor = line.data();
        const char* line_end = line.data() + line.size();
        auto first = std::from_chars(cursor, line_end, dialog);
        cursor = first.ptr;
        const bool separated = cursor < line_end && (*cursor == ' ' || *cursor == '\t');
        while (cursor < line_end && (*cursor == ' ' || *cursor == '\t'))
            ++cursor;
        auto second = std::from_chars(cursor, line_end, button);
        if (first.ec != std::errc() || !separated || second.ec != std::errc() || second.ptr != line_end) {
            answers.problems.push_back("line " + std::to_string(line_number) + ": \"" + std::string(line)
                + "\" is not \"<dialog id> <button id>\"");
            continue;
        }
        answers.buttons[dialog] = button;
    }
    return answers;
}

HeadlessHost::HeadlessHost(const strings::string_table& strings) : UiHost(strings)
{
    if (const char* text = std::getenv("TALVERIN_HEADLESS_ANSWERS"))
        answers_ = parse_headless_answers(text);
    for (const auto& problem : answers_.problems)
        print_line(std::string(application_title) + ": TALVERIN_HEADLESS_ANSWERS " + problem + ", ignored\n");
}

void HeadlessHost::run_by_itself(Dialog& dialog)
{
    std::map<int, std::string> shown_texts;
    std::map<int, int> shown_percents;
    const auto print_changes = [&] {
        for (const auto& control : dialog.controls()) {
            const int id = control.declared.id;
            if (control.declared.kind == ControlKind::static_text && id != -1 && control.visible) {
                auto [shown, fresh] = shown_texts.try_emplace(id, control.declared.text);
                if (shown->second != control.text) {
                    shown->second = control.text;
                    if (!control.text.empty())
                        print_line(std::string(application_title) + ": " + control.text + "\n");
                }
            } else if (control.declared.kind == ControlKind::progress && control.visible) {
                const long long span = control.declared.high - control.declared.low;
                const int percent = span > 0 ? static_cast<int>((control.position - control.declared.low) * 100 / span) : 0;
                auto [shown, fresh] = shown_percents.try_emplace(id, 0);
                if (shown->second != percent) {
                    shown->second = percent;
                    print_line(std::string(application_title) + ": " + std::to_string(percent) + "%\n");
                }
            }
        }
    };
    auto* queue = ui_queue();
    while (!dialog.ended() && !dialog.work_done()) {
        queue->pump_until([&] {
            print_changes();
            return dialog.ended() || dialog.work_done();
        });
        if (!dialog.ended() && !dialog.work_done())
            platform::threads::wait(1000);
    }
    print_changes();
}

int HeadlessHost::run_modal(Dialog& dialog)
{
    const auto answer = answers_.buttons.find(dialog.id());
    const bool by_itself = dialog.ends_by_itself() && ui_queue() != nullptr;
    if (answer != answers_.buttons.end() || by_itself) {
        if (!dialog.create())
            return dialog.end_code();
        if (by_itself)
            run_by_itself(dialog);
        if (!dialog.ended() && answer != answers_.buttons.end()) {
            const int button = answer->second;
            if (dialog.has_item(button) && dialog.item(button).enabled && dialog.item(button).visible) {
                print_line(std::string(application_title) + ": dialog " + std::to_string(dialog.id()) + ": pressed "
                    + std::to_string(button) + "\n");
                dialog.user_click(button);
            } else {
                print_line(std::string(application_title) + ": dialog " + std::to_string(dialog.id()) + ": button "
                    + std::to_string(button) + " cannot be pressed\n");
            }
        }
        if (!dialog.ended())
            dialog.OnCancel();
        return dialog.end_code();
    }
    print_line(std::string(application_title) + ": dialog " + std::to_string(dialog.id())
        + " cancelled (no screen)\n");
    return IDCANCEL;
}

int HeadlessHost::run_modal(PropertySheet& sheet)
{
    print_line(std::string(application_title) + ": dialog " + std::to_string(sheet.id())
        + " cancelled (no screen)\n");
    return IDCANCEL;
}

std::optional<FileChoice> HeadlessHost::open_file(const OpenFileRequest& request)
{
    print_line(std::string(application_title) + ": " + request.title + ": cancelled (no screen)\n");
    return std::nullopt;
}

void HeadlessHost::help(int context, help_style style)
{
    print_line(std::string(application_title) + (style == help_style::popup ? ": help popup " : ": help topic ")
        + std::to_string(context) + " (no help viewer)\n");
}

std::optional<std::string> HeadlessHost::browse_folder(const std::string& title, const std::string&)
{
    print_line(std::string(application_title) + ": " + title + ": cancelled (no screen)\n");
    return std::nullopt;
}

bool UiHost::shell_open(const std::string& path)
{
    auto opener = process::find_program("xdg-open");
    if (!opener) {
        ui_trace("UiHost::shell_open() - no xdg-open to open " + path);
        return false;
    }
    if (!process::launch_detached(*opener, {path})) {
        ui_trace("UiHost::shell_open() - could not start " + *opener + " for " + path);
        return false;
    }
    return true;
}

int UiHost::track_popup_menu(const MenuModel&, int, int) { return 0; }

void UiHost::beep() { ui_trace("UiHost::beep()"); }

}

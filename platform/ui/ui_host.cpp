#include "platform/ui/ui_host.h"

#include "platform/process/process.h"
#include "platform/strings/string_table.h"
#include "platform/ui/dialog.h"
#include "platform/ui/message_queue.h"

#include <algorithm>
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

void HeadlessHost::play_answers(Dialog& dialog)
{
    const auto say = [&dialog](const std::string& what) {
        print_line(std::string(application_title) + ": dialog " + std::to_string(dialog.id()) + ": " + what + "\n");
    };
    if (auto steps = answers_.steps.find(dialog.id()); steps != answers_.steps.end()) {
        for (const auto& step : steps->second) {
            if (dialog.ended())
                return;
            std::string problem;
            if (!perform_headless_step(dialog, step, problem)) {
                say(problem);
                dialog.OnCancel();
                return;
            }
        }
    }
    auto answer = answers_.buttons.find(dialog.id());
    if (dialog.ended() || answer == answers_.buttons.end())
        return;
    const int button = answer->second;
    if (dialog.has_item(button) && dialog.item(button).enabled && dialog.item(button).visible) {
        say("pressed " + std::to_string(button));
        dialog.user_click(button);
    } else {
        say("button " + std::to_string(button) + " cannot be pressed");
    }
}

int HeadlessHost::run_modal(Dialog& dialog)
{
    const bool answered = answers_.buttons.count(dialog.id()) != 0 || answers_.steps.count(dialog.id()) != 0;
    const bool by_itself = dialog.ends_by_itself() && ui_queue() != nullptr;
    if (!answered && !by_itself) {
        print_line(std::string(application_title) + ": dialog " + std::to_string(dialog.id())
            + " cancelled (no screen)\n");
        return IDCANCEL;
    }
    if (!dialog.create())
        return dialog.end_code();
    if (by_itself)
        run_by_itself(dialog);
    play_answers(dialog);
    if (!dialog.ended())
        dialog.OnCancel();
    return dialog.end_code();
}

int HeadlessHost::run_modal(PropertySheet& sheet)
{
    print_line(std::string(application_title) + ": dialog " + std::to_string(sheet.id())
        + " cancelled (no screen)\n");
    return IDCANCEL;
}

std::optional<FileChoice> HeadlessHost::open_file(const OpenFileRequest& request)
{
    const int filter_index = std::max(request.filter_index, 1);
    if (request.panel) {
        if (!request.panel->create())
            return std::nullopt;
        play_answers(*request.panel);
        if (request.panel->ended())
            return FileChoice {{}, filter_index, true};
    }
    while (next_file_ < answers_.files.size()) {
        const auto& name = answers_.files[next_file_++];
        if (!confirm_file_name(request, name))
            continue;
        print_line(std::string(application_title) + ": " + request.title + ": " + name + "\n");
        return FileChoice {name, filter_index, false, {name}};
    }
    print_line(std::string(application_title) + ": " + request.title + ": cancelled (no screen)\n");
    return std::nullopt;
}

std::optional<int> HeadlessHost::next_command()
{
    if (next_command_ >= answers_.commands.size())
        return std::nullopt;
    const int command = answers_.commands[next_command_++];
    print_line(std::string(application_title) + ": command " + std::to_string(command) + "\n");
    return command;
}

void HeadlessHost::help(int context, help_style style)
{
    print_line(std::string(application_title) + (style == help_style::popup ? ": help popup " : ": help topic ")
        + std::to_string(context) + " (no help viewer)\n");
}

void HeadlessHost::help_key(const std::string& keyword)
{
    print_line(std::string(application_title) + ": help keyword " + keyword + " (no help viewer)\n");
}

std::optional<std::string> HeadlessHost::browse_folder(const std::string& title, const std::string&)
{
    print_line(std::string(application_title) + ": " + title + ": cancelled (no screen)\n");
    return std::nullopt;
}

bool UiHost::confirm_file_name(const OpenFileRequest& request, const std::string& name)
{
    if (request.keep_open && request.keep_open(name))
        return false;
    return !request.save || !request.overwrite_prompt || ::access(name.c_str(), F_OK) != 0
        || message_box(name + " already exists.\nDo you want to replace it?", MB_YESNO | MB_ICONEXCLAMATION) == IDYES;
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

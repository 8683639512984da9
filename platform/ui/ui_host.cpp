#include "platform/ui/ui_host.h"

#include "platform/process/process.h"
#include "platform/strings/string_table.h"
#include "platform/ui/dialog.h"

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
    return message_box(format_message(strings_.text(string_id), arguments), type);
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

int HeadlessHost::run_modal(Dialog& dialog)
{
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

}

#include "platform/ui/application.h"

#include "platform/com/com_error.h"

namespace platform::ui {

Application::Application(MessageQueue& queue, UiHost& host) : queue_(queue), host_(host)
{
    queue_.set_message_filter([this](const message& posted) { return PreTranslateMessage(posted); });
    queue_.set_error_handler([this](std::exception_ptr error) { report_exception(error); });
    commands_.set_error_handler([this](std::exception_ptr error) { report_exception(error); });
}

Application::~Application()
{
    queue_.set_message_filter(nullptr);
    queue_.set_error_handler(nullptr);
}

int Application::Run()
{
    // Scripted menu commands (a host without a screen) are chosen one at a time, each once
    // nothing else waits, as a user's would be.
    for (queue_.pump(); !queue_.quit_pending(); queue_.pump()) {
        auto command = host_.next_command();
        if (!command)
            break;
        if (!execute_command(*command))
            ui_trace("Application -- no handler for command " + std::to_string(*command) + "\n");
    }
    int quit_code = queue_.run();
    int exit_code = ExitInstance();
    return quit_code != 0 ? quit_code : exit_code;
}

void Application::report_exception(std::exception_ptr error) { platform::ui::report_exception(host_, error); }

void report_exception(UiHost& host, std::exception_ptr error)
{
    try {
        std::rethrow_exception(error);
    } catch (const command_aborted&) {
    } catch (const std::exception& e) {
        ui_trace(std::string("Application -- command failed: ") + e.what() + "\n");
        host.message_box(e.what(), MB_OK | MB_ICONEXCLAMATION);
    } catch (...) {
        ui_trace("Application -- command failed with an unknown exception\n");
        host.message_box("An unknown error occurred.", MB_OK | MB_ICONEXCLAMATION);
    }
}

}

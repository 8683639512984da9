#pragma once

#include "platform/ui/command_router.h"
#include "platform/ui/doc_manager.h"
#include "platform/ui/message_queue.h"
#include "platform/ui/ui_host.h"

#include <exception>
#include <memory>

namespace platform::ui {

// The application object: start-up, the message loop, shutdown and the commands that no
// window handles. Messages pass PreTranslateMessage before their window.
// An exception that left a handler: command_aborted ends quietly; any other is traced and
// shown once.
void report_exception(UiHost& host, std::exception_ptr error);

class Application {
public:
    Application(MessageQueue& queue, UiHost& host);
    virtual ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    virtual bool InitApplication() { return true; }
    virtual bool InitInstance() = 0;
    virtual bool PreTranslateMessage(const message&) { return false; }
    virtual int ExitInstance() { return 0; }

    // Runs the loop until it ends; ExitInstance's result, or the WM_QUIT code when set.
    int Run();

    MessageQueue& queue() { return queue_; }
    UiHost& host() { return host_; }
    CommandRouter& commands() { return commands_; }
    DocManager* doc_manager() { return doc_manager_.get(); }
    void set_doc_manager(std::unique_ptr<DocManager> manager) { doc_manager_ = std::move(manager); }

    // A menu command as the user chooses it; false when nothing handles it.
    virtual bool execute_command(int id) { return commands_.execute(id); }

    // An exception that left a handler: command_aborted ends the command quietly; any
    // other is traced and shown once.
    void report_exception(std::exception_ptr error);

private:
    MessageQueue& queue_;
    UiHost& host_;
    CommandRouter commands_;
    std::unique_ptr<DocManager> doc_manager_;
};

}

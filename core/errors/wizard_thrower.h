#pragma once

#include "core/errors/errors.h"
#include "platform/com/com_error.h"

#include <string>

namespace platform::prompts {
class prompt;
}

namespace core {

// The error reporter in force on a thread. Every operation ends in an exception.
class wizard_thrower {
public:
    virtual ~wizard_thrower() = default;
    [[noreturn]] virtual void assertion_failed(const std::string& message) = 0;
    [[noreturn]] virtual void hresult_failed(platform::com::hresult hr) = 0;
    [[noreturn]] virtual void win32_failed(const hevtools::win32api_error& e) = 0;
    [[noreturn]] virtual void synch_failed(const hevtools::thread_synch_error& e) = 0;
};

// The user-interface thread's reporter: tells the user in a message box, then abandons
// the current command (platform::ui::command_aborted) or raises a com_error.
class default_wizard_thrower final : public wizard_thrower {
public:
    explicit default_wizard_thrower(platform::prompts::prompt& prompt) : prompt_(prompt) { }
    [[noreturn]] void assertion_failed(const std::string& message) override;
    [[noreturn]] void hresult_failed(platform::com::hresult hr) override;
    [[noreturn]] void win32_failed(const hevtools::win32api_error& e) override;
    [[noreturn]] void synch_failed(const hevtools::thread_synch_error& e) override;

private:
    platform::prompts::prompt& prompt_;
};

// The worker threads' reporter: never shows anything, turns each report into an
// exception for the thread's own code, and keeps the text in the thread's buffer.
class nonmfc_thread_thrower final : public wizard_thrower {
public:
    [[noreturn]] void assertion_failed(const std::string& message) override;
    [[noreturn]] void hresult_failed(platform::com::hresult hr) override;
    [[noreturn]] void win32_failed(const hevtools::win32api_error& e) override;
    [[noreturn]] void synch_failed(const hevtools::thread_synch_error& e) override;
};

// The process-wide worker reporter.
nonmfc_thread_thrower& worker_thrower();

// Makes the reporter the one in force on the calling thread; null restores the default.
// Only the user-interface thread installs the user-interface reporter: every other
// thread reports through the worker reporter, which shows nothing.
void set_current_thrower(wizard_thrower* reporter);
wizard_thrower& current_thrower();

// The calling thread's last worker-report text (at most 4095 characters).
const std::string& thread_error_text();
inline constexpr std::size_t thread_error_text_limit = 4095;

// The HRESULT of a system error code: positive codes become 0x8007xxxx, negative codes are
// HRESULTs already, and 0 (no error recorded) becomes E_FAIL so a failure never reads as
// success.
platform::com::hresult hresult_from_error_code(std::int32_t code);

}

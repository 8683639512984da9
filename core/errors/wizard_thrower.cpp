#include "core/errors/wizard_thrower.h"

#include "core/log/trace_log.h"
#include "platform/prompts/message_box.h"

namespace core {

namespace {

thread_local wizard_thrower* thread_reporter = nullptr;
thread_local std::string thread_text;

void keep_thread_text(std::string text)
{
    if (text.size() > thread_error_text_limit)
        text.resize(thread_error_text_limit);
    thread_text = std::move(text);
}

std::string assertion_text(const char* lead, const std::string& detail)
{
    return std::string(lead) + detail + "\nPlease see log file for details";
}

}

platform::com::hresult hresult_from_error_code(std::int32_t code)
{
    if (code > 0)
        return platform::com::hresult_from_system_code(static_cast<std::uint32_t>(code));
    if (code == 0)
        return platform::com::E_FAIL;
    return code;
}

void default_wizard_thrower::assertion_failed(const std::string& message)
{
    prompt_.message_box(assertion_text("Assertion failed: \n", message), platform::prompts::MB_ICONEXCLAMATION);
    throw platform::ui::command_aborted();
}

void default_wizard_thrower::hresult_failed(platform::com::hresult hr)
{
    throw platform::com::com_error(hr);
}

void default_wizard_thrower::win32_failed(const hevtools::win32api_error& e)
{
    prompt_.message_box(assertion_text("Assertion failed: \n", e.what()), platform::prompts::MB_ICONEXCLAMATION);
    throw platform::com::com_error(hresult_from_error_code(e.code()));
}

void default_wizard_thrower::synch_failed(const hevtools::thread_synch_error& e)
{
    prompt_.message_box(assertion_text("Thread synchronization error occured: \n", e.what()),
        platform::prompts::MB_ICONEXCLAMATION);
    throw platform::ui::command_aborted();
}

void nonmfc_thread_thrower::assertion_failed(const std::string& message)
{
    TRACE_LOG("%s", message.c_str());
    throw std::runtime_error(message);
}

void nonmfc_thread_thrower::hresult_failed(platform::com::hresult hr)
{
    keep_thread_text(platform::com::system_message(hr));
    TRACE_LOG("%s", thread_text.c_str());
    throw std::runtime_error("FAILED(HRESULT) -- see log for details");
}

void nonmfc_thread_thrower::win32_failed(const hevtools::win32api_error& e)
{
    auto system_text = platform::com::system_message(hresult_from_error_code(e.code()));
    keep_thread_text(system_text + ";{" + e.what() + "}");
    TRACE_LOG("%s", thread_text.c_str());
    throw e;
}

void nonmfc_thread_thrower::synch_failed(const hevtools::thread_synch_error& e)
{
    TRACE_LOG("%s", e.what());
    throw e;
}

nonmfc_thread_thrower& worker_thrower()
{
    static nonmfc_thread_thrower instance;
    return instance;
}

void set_current_thrower(wizard_thrower* reporter)
{
    thread_reporter = reporter;
}

wizard_thrower& current_thrower()
{
    return thread_reporter ? *thread_reporter : worker_thrower();
}

const std::string& thread_error_text()
{
    return thread_text;
}

}

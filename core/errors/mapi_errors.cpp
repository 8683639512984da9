#include "core/errors/mapi_errors.h"

#include "platform/com/com_error.h"
#include "platform/services.h"

#include <iterator>

namespace core {

using platform::mail::mapi_entry;

unsigned mapi_failure_message_id(const mapi_failure& record)
{
    switch (record.entry) {
    case mapi_entry::MAPILogon:
        return find_code_message(mapi_logon_messages, record.code, std::size(mapi_logon_messages),
            mapi_default_message);
    case mapi_entry::MAPIResolveName:
        return find_code_message(mapi_resolve_name_messages, record.code, std::size(mapi_resolve_name_messages),
            mapi_default_message);
    case mapi_entry::MAPISendMail:
        return find_code_message(mapi_send_mail_messages, record.code, std::size(mapi_send_mail_messages),
            mapi_default_message);
    default:
        return mapi_default_message;
    }
}

void ReportMapiError(const mapi_failure& record, platform::services& services)
{
    ReportMapiError(record, *services.prompt, services.strings);
}

void ReportMapiError(const mapi_failure& record, platform::prompts::prompt& prompt,
    const platform::strings::string_table& strings)
{
    prompt.message_box(strings, mapi_failure_message_id(record), platform::prompts::MB_OK);
    throw platform::ui::command_aborted();
}

void report_binding_failure(const library_binding& binding, const char* format, const char* argument)
{
    if (binding.loaded || !binding.failure_callback)
        return;
    std::string message;
    if (format) {
        std::string_view text(format);
        std::string_view filler(argument ? argument : "");
        for (std::size_t pos = 0; pos < text.size();) {
            if (text.compare(pos, 2, "%s") == 0) {
                message += filler;
                pos += 2;
            } else {
                message += text[pos++];
            }
        }
    } else if (argument) {
        message = argument;
    }
    binding.failure_callback(message, binding.error);
}

std::uint32_t mapi_session_logoff(platform::mail::simple_mapi& mapi, platform::mail::session_handle session,
    platform::mail::window_handle window)
{
    return mapi.logoff(session, window, 0, 0);
}

void mapi_buffer_free(platform::mail::simple_mapi& mapi, void* buffer)
{
    if (buffer)
        mapi.free_buffer(buffer);
}

}

#include "broadcast/http/http_request.h"

#include "broadcast/http/http_reply.h"
#include "broadcast/http/wizard_session.h"
#include "core/log/trace_log.h"
#include "core/util/strings.h"
#include "platform/inet/inet_constants.h"

#include <atomic>

namespace broadcast {

namespace {

namespace inet = platform::inet;

#define HTTP_TRACE(format, ...) TRACE_LOG("CHTTPBroadcastDlg::processHTTPRequest() - " format __VA_OPT__(, ) __VA_ARGS__)

constexpr const char* request_headers = "Content-Type: application/x-www-form-urlencoded";

// The reply, at most http_reply_limit bytes; longer replies throw code 7.
std::string read_reply(inet::http_file& file)
{
    std::string reply;
    char buffer[1024];
    for (std::size_t got; (got = file.read(buffer, sizeof buffer - 1)) > 0;) {
        if (reply.size() + got > http_reply_limit) {
            HTTP_TRACE("finish, reply over %zu bytes\n", http_reply_limit);
            ThrowWizardException(http_unrecognised_reply);
        }
        reply.append(buffer, got);
    }
    return reply;
}

}

http_request_result processHTTPRequest(const std::shared_ptr<inet::internet>& layer, const std::string& file,
    const http_request_settings& settings)
{
    HTTP_TRACE("start, file name: = %s\n", file.c_str());
    http_request_result result;
    CWizardSession session(layer, settings.agent, settings.access_type);

    const std::uint32_t flags = inet::flag_existing_connect | (settings.secure ? inet::flag_secure : 0u);
    HTTP_TRACE("url: = %s\n", settings.url.c_str());
    const core::url_parts url = core::url_parts_init(settings.url);
    if (!url.parsed || (url.service != "http" && url.service != "https") || url.server.empty()) {
        HTTP_TRACE("error parsing url\n");
        result.code = http_bad_url;
        result.cause = core::format_resource_cstring(3140, settings.url.c_str());
        return result;
    }

    // The user's stop aborts the request only while the body goes out.
    std::stop_source abort;
    std::atomic<bool> all_sent {false};
    std::stop_callback on_stop(settings.stop, [&] {
        if (!all_sent.load())
            abort.request_stop();
    });
    const inet::request_observer observer {abort.get_token(), [&](std::uint64_t sent, std::uint64_t total) {
        if (total != 0 && sent >= total)
            all_sent = true;
        if (settings.upload_progress)
            settings.upload_progress(sent, total);
    }};

    try {
        for (;;) {
            std::unique_ptr<inet::http_connection> connection;
            try {
                connection = session.get_http_connection(url.server, url.port);
            } catch (const inet::internet_exception& error) {
                HTTP_TRACE("http connection: = NULL\n");
                result.code = http_no_connection;
                result.cause = core::format_resource_cstring(3141, error.what());
                return result;
            }
            std::unique_ptr<inet::http_file> request;
            try {
                request = connection->open_request("POST", url.object, {}, "HTTP/1.0", flags);
            } catch (const inet::internet_exception& error) {
                HTTP_TRACE("http file: = NULL\n");
                result.code = http_no_request;
                result.cause = core::format_resource_cstring(3142, error.what());
                return result;
            }
            request->set_observer(observer);
            request->send_request_file(request_headers, file);
            const std::uint32_t status = request->query_info_status_code();
            HTTP_TRACE("QueryInfoStatusCode: = %u\n", status);
            if (status == 407) {
                HTTP_TRACE("proxy authentication required\n");
                const std::uint32_t prompt = request->error_dialog(inet::error_internet_incorrect_password,
                    inet::error_ui_flags_generate_data | inet::error_ui_flags_change_options);
                HTTP_TRACE("ErrorDlg finished, dwPrompt: = %u\n", prompt);
                if (prompt == inet::error_internet_force_retry)
                    continue;
                HTTP_TRACE("finish, proxy authentication failed\n");
                result.cause = core::load_string_resource(3143);
                ThrowWizardException(http_proxy_refused);
            }
            if (status < 200 || status > 299) {
                HTTP_TRACE("finish, wrong status code\n");
                result.cause = core::format_resource_cstring(3144, static_cast<int>(status));
                ThrowWizardException(http_bad_status);
            }
            const http_reply reply = parse_http_reply(read_reply(*request));
            if (!reply.recognised) {
                HTTP_TRACE("finish, unrecognised reply\n");
                ThrowWizardException(http_unrecognised_reply);
            }
            if (reply.status != 0) {
                HTTP_TRACE("%s\n", reply.text.c_str());
                result.text = reply.text;
                result.cause = core::format_resource_cstring(3145, reply.status);
                ThrowWizardException(http_not_accepted);
            }
            result.code = http_posted;
            result.text = reply.text;
            return result;
        }
    } catch (const CWizardException& error) {
        HTTP_TRACE("error: exiting with CWizardException(%d)\n", error.code());
        result.code = error.code();
        if (result.code == http_unrecognised_reply)
            result.cause = core::load_string_resource(3146);
    } catch (const inet::internet_exception& error) {
        HTTP_TRACE("exception, error : = %.1024s\n", error.what());
        result.code = http_no_connection;
        if (abort.stop_requested() && !all_sent.load()) {
            result.cancelled = true;
            result.cause = core::load_string_resource(3147);
        } else {
            result.cause = core::format_resource_cstring(3141, error.what());
            if (all_sent.load())
                result.cause += core::load_string_resource(3148);
        }
    }
    return result;
}

}

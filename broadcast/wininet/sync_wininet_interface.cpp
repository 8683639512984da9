#include "broadcast/wininet/sync_wininet_interface.h"

#include "core/log/trace_log.h"

#include <cstdio>

namespace {

constexpr std::uint32_t s_ok = 0;
constexpr std::uint32_t e_fail = 0x80004005;
constexpr std::uint32_t proc_not_found = 127;

[[noreturn]] void throw_dll_failure(const std::string& message, std::uint32_t error)
{
    throw wininet_dll_failure(message, error);
}

}

template <class Signature>
const std::function<Signature>& sync_wininet_interface::bind(const char* name)
{
    const std::function<Signature>* entry = wininet_.module ? wininet_.module->find<Signature>(name) : nullptr;
    if (!entry) {
        wininet_.binding.loaded = false;
        wininet_.binding.error = proc_not_found;
        core::report_binding_failure(wininet_.binding, "Missing DLL entry: %s", name);
        throw_dll_failure(std::string("Missing DLL entry: ") + name, proc_not_found);
    }
    return *entry;
}

sync_wininet_interface::sync_wininet_interface(const platform::library::library_table& libraries)
    : libraries_(libraries),
      wininet_(core::load_library_checked(libraries, "WININET", &throw_dll_failure)),
      close_handle_(bind<platform::inet::wininet::InternetCloseHandle>("InternetCloseHandle")),
      last_response_info_(bind<platform::inet::wininet::InternetGetLastResponseInfoA>("InternetGetLastResponseInfoA")),
      error_dlg_(bind<platform::inet::wininet::InternetErrorDlg>("InternetErrorDlg")),
      ftp_get_file_(bind<platform::inet::wininet::FtpGetFileA>("FtpGetFileA")),
      query_data_available_(bind<platform::inet::wininet::InternetQueryDataAvailable>("InternetQueryDataAvailable")),
      read_file_(bind<platform::inet::wininet::InternetReadFile>("InternetReadFile")),
      query_info_(bind<platform::inet::wininet::HttpQueryInfoA>("HttpQueryInfoA")),
      end_request_(bind<platform::inet::wininet::HttpEndRequestA>("HttpEndRequestA")),
      write_file_(bind<platform::inet::wininet::InternetWriteFile>("InternetWriteFile")),
      send_request_ex_(bind<platform::inet::wininet::HttpSendRequestExA>("HttpSendRequestExA")),
      send_request_(bind<platform::inet::wininet::HttpSendRequestA>("HttpSendRequestA")),
      open_request_(bind<platform::inet::wininet::HttpOpenRequestA>("HttpOpenRequestA")),
      connect_(bind<platform::inet::wininet::InternetConnectA>("InternetConnectA")),
      open_(bind<platform::inet::wininet::InternetOpenA>("InternetOpenA")),
      open_url_(bind<platform::inet::wininet::InternetOpenUrlA>("InternetOpenUrlA"))
{
}

wininet_handle sync_wininet_interface::openUrl(const wininet_handle& session, const char* url, const char* headers,
    DWORD headers_length, DWORD flags, context_type context)
{
    return wininet_handle(open_url_(session.get(), url, headers, headers_length, flags, context), this);
}

wininet_handle sync_wininet_interface::openRequest(const wininet_handle& connection, const char* verb,
    const char* object, const char* version, const char* referrer, const char** accept_types, DWORD flags,
    context_type context)
{
    TRACE_LOG("+sync_wininet_interface::openRequest");
    wininet_handle request(
        open_request_(connection.get(), verb, object, version, referrer, accept_types, flags, context), this);
    TRACE_LOG("-sync_wininet_interface::openRequest");
    return request;
}

BOOL sync_wininet_interface::sendRequest(const wininet_handle& request, const char* headers, DWORD headers_length,
    const void* optional, DWORD optional_length)
{
    TRACE_LOG("+sync_wininet_interface::sendRequest");
    BOOL result = send_request_(request.get(), headers, headers_length, optional, optional_length);
    TRACE_LOG("-sync_wininet_interface::sendRequest, return = %d", result);
    return result;
}

BOOL sync_wininet_interface::sendRequestEx(const wininet_handle& request, internet_buffers* in, internet_buffers* out,
    DWORD flags, context_type context)
{
    return send_request_ex_(request.get(), in, out, flags, context);
}

BOOL sync_wininet_interface::writeFile(const wininet_handle& file, const void* buffer, DWORD to_write, DWORD* written)
{
    return write_file_(file.get(), buffer, to_write, written);
}

BOOL sync_wininet_interface::endRequest(const wininet_handle& request, internet_buffers* out, DWORD flags,
    context_type context)
{
    return end_request_(request.get(), out, flags, context);
}

BOOL sync_wininet_interface::queryInfo(const wininet_handle& request, DWORD level, void* buffer, DWORD* length,
    DWORD* index)
{
    return query_info_(request.get(), level, buffer, length, index);
}

BOOL sync_wininet_interface::readFile(const wininet_handle& file, void* buffer, DWORD to_read, DWORD* read)
{
    return read_file_(file.get(), buffer, to_read, read);
}

wininet_handle sync_wininet_interface::open(const char* agent, DWORD access_type, const char* proxy,
    const char* proxy_bypass, DWORD flags)
{
    TRACE_LOG("+sync_wininet_interface::open");
    if (!ie_version_fetched_) {
        ie_version_fetched_ = true;
        if (get_ie_version(libraries_, ie_major_, ie_minor_) != s_ok) {
            ie_major_ = -1;
            ie_minor_ = -1;
        }
    }
    TRACE_LOG("IE Browser Version is: [%d,%d]", ie_major_, ie_minor_);
    wininet_handle session(open_(agent, access_type, proxy, proxy_bypass, flags), this);
    TRACE_LOG("-sync_wininet_interface::open");
    return session;
}

wininet_handle sync_wininet_interface::connect(const wininet_handle& session, const char* server, std::uint16_t port,
    const char* user, const char* password, DWORD service, DWORD flags, context_type context)
{
    return wininet_handle(connect_(session.get(), server, port, user, password, service, flags, context), this);
}

BOOL sync_wininet_interface::queryDataAvailable(const wininet_handle& file, DWORD* available, DWORD flags,
    context_type context)
{
    return query_data_available_(file.get(), available, flags, context);
}

BOOL sync_wininet_interface::getFtpFile(const wininet_handle& connection, const char* remote, const char* local,
    BOOL fail_if_exists, DWORD attributes, DWORD flags, context_type context)
{
    return ftp_get_file_(connection.get(), remote, local, fail_if_exists, attributes, flags, context);
}

DWORD sync_wininet_interface::errorDialog(void* window, const wininet_handle& request, DWORD error, DWORD flags,
    void** data)
{
    return error_dlg_(window, request.get(), error, flags, data);
}

void sync_wininet_interface::raiseLastResponse()
{
    thread_local char response[4096];
    DWORD error = 0;
    DWORD length = sizeof response;
    std::string text;
    if (last_response_info_(&error, response, &length))
        text.assign(response, length);
    else
        text = "Unknown Wininet Exception";
    TRACE_LOG("wininet error occured: [%s], %u", text.c_str(), error);
    throw http_winapi_exception(text, error);
}

BOOL sync_wininet_interface::closeHandle(platform::inet::hinternet handle)
{
    return close_handle_(handle);
}

std::uint32_t get_ie_version(const platform::library::library_table& libraries, std::int32_t& major,
    std::int32_t& minor)
{
    major = 0;
    minor = 0;
    auto shell = core::load_library_checked(libraries, "shdocvw.dll", nullptr);
    const std::function<DllGetVersion>* entry = shell.module ? shell.module->find<DllGetVersion>("DllGetVersion")
                                                              : nullptr;
    if (!entry)
        return e_fail;
    dll_version_info info;
    if ((*entry)(&info) != s_ok)
        return e_fail;
    major = static_cast<std::int32_t>(info.major);
    minor = static_cast<std::int32_t>(info.minor);
    return s_ok;
}

#pragma once

#include "broadcast/wininet/wininet_exceptions.h"
#include "broadcast/wininet/wininet_handle.h"
#include "core/errors/load_library.h"
#include "platform/inet/wininet_library.h"

#include <cstdint>

namespace platform::library {
class library_table;
}

using platform::inet::wininet::BOOL;
using platform::inet::wininet::DWORD;
using platform::inet::wininet::internet_buffers;

// The synchronous WinINet operations, each with its function's parameters in order.
class wininet_operations {
public:
    virtual ~wininet_operations() = default;
    using context_type = platform::inet::wininet::context_type;

    virtual wininet_handle openUrl(const wininet_handle& session, const char* url, const char* headers,
        DWORD headers_length, DWORD flags, context_type context) = 0;
    virtual wininet_handle openRequest(const wininet_handle& connection, const char* verb, const char* object,
        const char* version, const char* referrer, const char** accept_types, DWORD flags, context_type context) = 0;
    virtual BOOL sendRequest(const wininet_handle& request, const char* headers, DWORD headers_length,
        const void* optional, DWORD optional_length) = 0;
    virtual BOOL sendRequestEx(const wininet_handle& request, internet_buffers* in, internet_buffers* out,
        DWORD flags, context_type context) = 0;
    virtual BOOL writeFile(const wininet_handle& file, const void* buffer, DWORD to_write, DWORD* written) = 0;
    virtual BOOL endRequest(const wininet_handle& request, internet_buffers* out, DWORD flags, context_type context) = 0;
    virtual BOOL queryInfo(const wininet_handle& request, DWORD level, void* buffer, DWORD* length, DWORD* index) = 0;
    virtual BOOL readFile(const wininet_handle& file, void* buffer, DWORD to_read, DWORD* read) = 0;
    virtual wininet_handle open(const char* agent, DWORD access_type, const char* proxy, const char* proxy_bypass,
        DWORD flags) = 0;
    virtual wininet_handle connect(const wininet_handle& session, const char* server, std::uint16_t port,
        const char* user, const char* password, DWORD service, DWORD flags, context_type context) = 0;
    virtual BOOL queryDataAvailable(const wininet_handle& file, DWORD* available, DWORD flags, context_type context) = 0;
    virtual BOOL getFtpFile(const wininet_handle& connection, const char* remote, const char* local,
        BOOL fail_if_exists, DWORD attributes, DWORD flags, context_type context) = 0;
    virtual DWORD errorDialog(void* window, const wininet_handle& request, DWORD error, DWORD flags, void** data) = 0;
    [[noreturn]] virtual void raiseLastResponse() = 0;
    virtual BOOL closeHandle(platform::inet::hinternet handle) = 0;
};

// WinINet loaded by name from the library table and each entry bound; throws
// wininet_dll_failure ("Missing DLL: WININET", "Missing DLL entry: <name>") otherwise.
class sync_wininet_interface : public wininet_operations {
public:
    explicit sync_wininet_interface(const platform::library::library_table& libraries);

    wininet_handle openUrl(const wininet_handle& session, const char* url, const char* headers, DWORD headers_length,
        DWORD flags, context_type context) override;
    wininet_handle openRequest(const wininet_handle& connection, const char* verb, const char* object,
        const char* version, const char* referrer, const char** accept_types, DWORD flags,
        context_type context) override;
    BOOL sendRequest(const wininet_handle& request, const char* headers, DWORD headers_length, const void* optional,
        DWORD optional_length) override;
    BOOL sendRequestEx(const wininet_handle& request, internet_buffers* in, internet_buffers* out, DWORD flags,
        context_type context) override;
    BOOL writeFile(const wininet_handle& file, const void* buffer, DWORD to_write, DWORD* written) override;
    BOOL endRequest(const wininet_handle& request, internet_buffers* out, DWORD flags, context_type context) override;
    BOOL queryInfo(const wininet_handle& request, DWORD level, void* buffer, DWORD* length, DWORD* index) override;
    BOOL readFile(const wininet_handle& file, void* buffer, DWORD to_read, DWORD* read) override;
    wininet_handle open(const char* agent, DWORD access_type, const char* proxy, const char* proxy_bypass,
        DWORD flags) override;
    wininet_handle connect(const wininet_handle& session, const char* server, std::uint16_t port, const char* user,
        const char* password, DWORD service, DWORD flags, context_type context) override;
    BOOL queryDataAvailable(const wininet_handle& file, DWORD* available, DWORD flags, context_type context) override;
    BOOL getFtpFile(const wininet_handle& connection, const char* remote, const char* local, BOOL fail_if_exists,
        DWORD attributes, DWORD flags, context_type context) override;
    DWORD errorDialog(void* window, const wininet_handle& request, DWORD error, DWORD flags, void** data) override;
    [[noreturn]] void raiseLastResponse() override;
    BOOL closeHandle(platform::inet::hinternet handle) override;

    std::int32_t browser_major() const { return ie_major_; }
    std::int32_t browser_minor() const { return ie_minor_; }

private:
    template <class Signature>
    const std::function<Signature>& bind(const char* name);

    const platform::library::library_table& libraries_;
    std::int32_t ie_major_ = 0;
    std::int32_t ie_minor_ = 0;
    bool ie_version_fetched_ = false;
    core::checked_library wininet_;

    const std::function<platform::inet::wininet::InternetCloseHandle>& close_handle_;
    const std::function<platform::inet::wininet::InternetGetLastResponseInfoA>& last_response_info_;
    const std::function<platform::inet::wininet::InternetErrorDlg>& error_dlg_;
    const std::function<platform::inet::wininet::FtpGetFileA>& ftp_get_file_;
    const std::function<platform::inet::wininet::InternetQueryDataAvailable>& query_data_available_;
    const std::function<platform::inet::wininet::InternetReadFile>& read_file_;
    const std::function<platform::inet::wininet::HttpQueryInfoA>& query_info_;
    const std::function<platform::inet::wininet::HttpEndRequestA>& end_request_;
    const std::function<platform::inet::wininet::InternetWriteFile>& write_file_;
    const std::function<platform::inet::wininet::HttpSendRequestExA>& send_request_ex_;
    const std::function<platform::inet::wininet::HttpSendRequestA>& send_request_;
    const std::function<platform::inet::wininet::HttpOpenRequestA>& open_request_;
    const std::function<platform::inet::wininet::InternetConnectA>& connect_;
    const std::function<platform::inet::wininet::InternetOpenA>& open_;
    const std::function<platform::inet::wininet::InternetOpenUrlA>& open_url_;
};

// The browser's version from "shdocvw.dll"'s DllGetVersion: 0 (S_OK) with both set, or
// 0x80004005 (E_FAIL) with both 0 when the library, its entry or the call fails.
std::uint32_t get_ie_version(const platform::library::library_table& libraries, std::int32_t& major,
    std::int32_t& minor);

// DllGetVersion's record: its size field is 20.
struct dll_version_info {
    DWORD size = 20;
    DWORD major = 0;
    DWORD minor = 0;
    DWORD build = 0;
    DWORD platform_id = 0;
};
using DllGetVersion = std::uint32_t(dll_version_info*);

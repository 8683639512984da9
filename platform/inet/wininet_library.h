#pragma once

#include "platform/inet/internet.h"

#include <cstdint>
#include <memory>

namespace platform::library {
class library_table;
}

// The platform's internet entry points as the program binds them by name from the library
// "WININET": each takes the platform function's parameters in order and works on the
// internet layer it was registered with.
namespace platform::inet::wininet {

using BOOL = int;
using DWORD = std::uint32_t;
using context_type = std::uintptr_t;

struct internet_buffers {
    DWORD struct_size = sizeof(internet_buffers);
    internet_buffers* next = nullptr;
    const char* header = nullptr;
    DWORD headers_length = 0;
    DWORD headers_total = 0;
    const void* buffer = nullptr;
    DWORD buffer_length = 0;
    DWORD buffer_total = 0; // the whole body's size
    DWORD offset_low = 0;
    DWORD offset_high = 0;
};

struct url_components {
    DWORD struct_size = sizeof(url_components);
    std::int32_t scheme = -1;
    char* host_name = nullptr;
    DWORD host_name_length = 0; // in: room without the NUL; out: the length written
    std::uint16_t port = 0;
    char* url_path = nullptr;
    DWORD url_path_length = 0;
};

using InternetCloseHandle = BOOL(hinternet);
using InternetGetLastResponseInfoA = BOOL(DWORD* error, char* buffer, DWORD* length);
using InternetErrorDlg = DWORD(void* window, hinternet request, DWORD error, DWORD flags, void** data);
using FtpGetFileA = BOOL(hinternet connection, const char* remote, const char* local, BOOL fail_if_exists,
    DWORD attributes, DWORD flags, context_type context);
using InternetQueryDataAvailable = BOOL(hinternet file, DWORD* available, DWORD flags, context_type context);
using InternetReadFile = BOOL(hinternet file, void* buffer, DWORD to_read, DWORD* read);
using HttpQueryInfoA = BOOL(hinternet request, DWORD level, void* buffer, DWORD* length, DWORD* index);
using HttpEndRequestA = BOOL(hinternet request, internet_buffers* out, DWORD flags, context_type context);
using InternetWriteFile = BOOL(hinternet file, const void* buffer, DWORD to_write, DWORD* written);
using HttpSendRequestExA = BOOL(hinternet request, internet_buffers* in, internet_buffers* out, DWORD flags,
    context_type context);
using HttpSendRequestA = BOOL(hinternet request, const char* headers, DWORD headers_length, const void* optional,
    DWORD optional_length);
using HttpOpenRequestA = hinternet(hinternet connection, const char* verb, const char* object, const char* version,
    const char* referrer, const char** accept_types, DWORD flags, context_type context);
using InternetConnectA = hinternet(hinternet session, const char* server, std::uint16_t port, const char* user,
    const char* password, DWORD service, DWORD flags, context_type context);
using InternetOpenA = hinternet(const char* agent, DWORD access_type, const char* proxy, const char* proxy_bypass,
    DWORD flags);
using InternetOpenUrlA = hinternet(hinternet session, const char* url, const char* headers, DWORD headers_length,
    DWORD flags, context_type context);
using InternetCanonicalizeUrlA = BOOL(const char* url, char* buffer, DWORD* length, DWORD flags);
using InternetCrackUrlA = BOOL(const char* url, DWORD url_length, DWORD flags, url_components* components);

// Registers "WININET" in the table with every entry above over the layer; the entries keep
// the layer alive.
void register_wininet(platform::library::library_table& table, std::shared_ptr<internet> layer);

}

#pragma once

#include "core/log/trace_log.h"

#include <cstdarg>
#include <cstdint>
#include <string>
#include <string_view>

namespace core {

// printf-style formatting into a new string, sized by vsnprintf: nothing is cut.
std::string format_string(const char* format, ...) TALVERIN_PRINTF(1, 2);
std::string vformat_string(const char* format, va_list arguments);
// The same for code written against the framework's string class.
std::string format_cstring(const char* format, ...) TALVERIN_PRINTF(1, 2);
// The string-table text of an id; empty for an unknown id.
std::string load_string_resource(unsigned id);
// Formats with the string-table text of an id. Only texts of our own string table are used
// as formats.
std::string format_resource_cstring(unsigned format_id, ...);

// Index of the first `what` at or after `start`; -1 when start is at or beyond the end or
// nothing is found.
int cstring_find(std::string_view text, std::string_view what, int start = 0);

// The program version "major.minor.build.revision".
std::string GetProgramVersionString();

// A URL taken apart.
struct url_parts {
    std::string url;
    bool parsed = false;     // false when the text is no URL this program can use
    std::string service;     // the scheme in lower case: "http", "https", "ftp", "file", ...
    std::string server;
    std::string object;      // the path with its query, "/" when empty
    std::uint16_t port = 0;  // the given port, else the scheme's default (0 when none)
    std::string user;
    std::string password;
};
url_parts url_parts_init(std::string_view url);

}

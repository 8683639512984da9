#pragma once

#include "platform/clock/utc_clock.h"

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>

namespace broadcast::mime {

// A request or message file that cannot be written as asked; the text names the cause.
class mime_error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The bytes of a file to carry, read in blocks; read answers 0 at the end and throws
// mime_error when the bytes cannot be read.
class byte_source {
public:
    virtual ~byte_source() = default;
    virtual std::size_t read(char* buffer, std::size_t size) = 0;
};

// Where a file's text goes; write throws mime_error when it cannot take the bytes.
class byte_sink {
public:
    virtual ~byte_sink() = default;
    virtual void write(std::string_view bytes) = 0;
};

// Blocks of reading and writing.
inline constexpr std::size_t io_block = 64 * 1024;

// "MIMEMsg" and the instant's fields in decimal without leading zeros.
std::string boundary_at(const platform::utc_time& when);

// The account of the request's XML header.
struct request_account {
    std::string login;
    std::string password;
    std::string program_version; // major.minor.build.revision
};

// A value for a double-quoted XML attribute, taken exactly as written: & < > " ' as
// entities, tab, CR and LF as character references. Other control characters and
// invalid UTF-8 throw mime_error.
std::string xml_attribute_text(std::string_view value, std::string_view what);
// A value for a quoted MIME header parameter: '"' and '\' backslash-escaped; CR, LF and
// NUL throw mime_error.
std::string header_quoted_text(std::string_view value, std::string_view what);

// The file's name without its folder.
std::string file_name_of(std::string_view path);

// The source in base64 lines, read io_block bytes at a time.
void write_base64(byte_source& source, byte_sink& sink);

// The HTTP request file: the head with the XML header, then the one file's part and the
// closing boundary.
void write_request_head(byte_sink& sink, std::string_view boundary, const request_account& account);
void write_request_file(byte_sink& sink, std::string_view boundary, std::string_view name, byte_source& source);

// The mail message file: the head, one part per file, the end.
void write_mail_head(byte_sink& sink, std::string_view boundary, std::string_view from, std::string_view to);
void write_mail_part(byte_sink& sink, std::string_view boundary, std::string_view name, byte_source& source);
void write_mail_end(byte_sink& sink, std::string_view boundary);

}

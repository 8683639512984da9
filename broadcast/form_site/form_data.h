#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <string_view>

namespace platform::random {
class random_source;
}

// The text transformations of the form site exchange: the multipart/form-data body of an
// upload, the cookies a response sets and the plain text of a response page.
namespace broadcast::form_site {

// "---------------------------%d%d%d" (27 hyphens) from three numbers of the random source.
std::string make_boundary(platform::random::random_source& random);

// Percent-encodes every byte but letters, digits and "-._~": plain values pass unchanged.
std::string percent_encode_component(std::string_view text);

// The url-encoded form fields of an upload as one multipart part per field.
class multipart_form_part {
public:
    explicit multipart_form_part(const std::string& boundary) : boundary_(&boundary) { }
    virtual ~multipart_form_part() = default;

    virtual std::uint64_t size();
    // Writes the converted text; false when the stream failed.
    virtual bool write(std::ostream& out);
    virtual void append(std::string_view text);
    // The url-encoded data as multipart text, converted on first use.
    virtual const std::string& convert();

    const std::string& form_data() const { return form_data_; }

private:
    const std::string* boundary_;
    std::string form_data_;
    std::string converted_;
    bool is_converted_ = false;
};

// One file of an upload: its part header, the file's bytes and CR LF.
class multipart_file_part {
public:
    multipart_file_part(const std::string& boundary, std::string name, std::string path, std::string content_type);
    virtual ~multipart_file_part() = default;

    // Header length + the file's size (0 when it cannot be read) + 2.
    virtual std::uint64_t size();
    // The header, then the file's bytes and CR LF; false (after the header) when the file
    // cannot be opened or read.
    virtual bool write(std::ostream& out);
    const std::string& header();

private:
    const std::string* boundary_;
    std::string name_;
    std::string path_;
    std::string content_type_;
    std::string header_;
};

// The url-encoded form data (a=1&b=2) as multipart text with the boundary; empty for an
// empty input or when the sed run fails (the failure is traced).
std::string form_data_to_multipart(std::string_view form_data, const std::string& boundary);

// The "Cookie: " lines to send back for the response's raw headers (CR LF or LF): one per
// "Set-Cookie:" line with a path attribute, written "$Path=". Empty when none or on failure.
std::string response_cookies(std::string_view raw_headers_crlf);

// The plain text lines of a response page; empty when the sed run fails.
std::string page_text(std::string_view page);

}

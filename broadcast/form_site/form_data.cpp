#include "broadcast/form_site/form_data.h"

#include "core/log/trace_log.h"
#include "core/sed/sed_command.h"
#include "platform/random/random_source.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <vector>

namespace broadcast::form_site {

namespace {

// sed turns every &name=value into the field's part; a backslash before a line feed puts a
// line break into the replacement.
const char* const form_part_script_template = "s/\\&\\([^\\&=]*\\)=\\([^\\&]*\\)/"
                                              "\r\\\n--%s\r\\\n"
                                              "Content-Disposition: form-data; name=\"\\1\"\r\\\n"
                                              "\r\\\n"
                                              "\\2/g";

const char* const cookie_command_line = "-n -e \"/^Set-Cookie:/{s/^Set-Cookie: */Cookie: /;s/[Pp]ath *=/$Path=/p;}\"";

// The page text script. The head and scripts go, line and row ends become markers, cell ends
// tabs, every other tag is removed and the two blank entities decoded; a tag or script that
// spans lines is joined first. The text of each line is added to the remainder held from
// the lines before it; where a line holds a marker the remainder and the line are printed
// up to the last marker and the rest is held. The remainder is printed at the end.
const char* const page_text_script = R"SED(s/<head[^>]*>/<script>/g
s/<\/head[^>]*>/<\/script>/g
:script
/<[Ss][Cc][Rr][Ii][Pp][Tt]/{
/<[Ss][Cc][Rr][Ii][Pp][Tt].*<\/[Ss][Cc][Rr][Ii][Pp][Tt][^>]*>/!{
$!{
N
b script
}
}
}
s/<\/[Ss][Cc][Rr][Ii][Pp][Tt][^>]*>/)SED" "\x01" R"SED(/g
s/<[Ss][Cc][Rr][Ii][Pp][Tt][^)SED" "\x01" R"SED(]*)SED" "\x01" R"SED(//g
s/<[Ss][Cc][Rr][Ii][Pp][Tt].*//
s/)SED" "\x01" R"SED(//g
:tag
/<[^>]*$/{
$!{
N
b tag
}
}
s/<[Bb][Rr]>/@@CR\/LF@@/g
s/<\/[Tt][Rr]>/@@CR\/LF@@/g
s/<\/[Tt][Dd]>/	/g
s/<[^>]*>//g
s/&nbsp;/ /g
s/&nbsp/ /g
s/&amp;/\&/g
s/\n/ /g
s/^[ 	]*//
s/  *$//
/^[ 	]*$/{
$!d
g
b flush
}
/@@CR\/LF@@/!{
H
$!d
g
b flush
}
H
g
s/^\n//
s/\n/ /g
s/ *@@CR\/LF@@[ 	]*/\
/g
h
s/\n[^\n]*$//
/./p
g
s/.*\n//
h
$!d
:flush
s/^\n//
s/\n/ /g
/./p
d
)SED";

std::string without_runaway_markup(std::string_view page)
{
    constexpr std::size_t tag_window = 4096;
    std::string text(page);
    std::string lower(page);
    for (auto& c : lower) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    std::size_t from = 0;
    for (auto close : {lower.rfind("</script"), text.rfind("</head")}) {
        if (close != std::string::npos)
            from = std::max(from, close);
    }
    auto cut = std::min(lower.find("<script", from), text.find("<head", from));
    if (cut != std::string::npos)
        text.resize(cut);
    std::size_t next_close = text.find('>');
    for (std::size_t at = text.find('<'); at != std::string::npos; at = text.find('<', at + 1)) {
        if (next_close != std::string::npos && next_close < at)
            next_close = text.find('>', at);
        if (next_close == std::string::npos || next_close - at > tag_window)
            text[at] = ' ';
    }
    return text;
}

std::string run_traced(core::sed_command& command, std::string_view input, const char* what)
{
    auto result = command.run_on_text_with_status(input);
    if (result.status != 0) {
        TRACE_LOG("%s: the sed run failed with status %d", what, result.status);
        return {};
    }
    return std::move(result.output);
}

}

std::string make_boundary(platform::random::random_source& random)
{
    auto number = [&random] {
        // A 15-bit number, as the C runtime's generator gives.
        return (static_cast<int>(random.next_byte()) << 7) | (random.next_byte() & 0x7F);
    };
    int first = number();
    int second = number();
    int third = number();
    return "---------------------------" + std::to_string(first) + std::to_string(second) + std::to_string(third);
}

std::string percent_encode_component(std::string_view text)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (unsigned char c : text) {
        bool unreserved = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-'
            || c == '.' || c == '_' || c == '~';
        if (unreserved) {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += digits[c >> 4];
            out += digits[c & 0x0F];
        }
    }
    return out;
}

std::string form_data_to_multipart(std::string_view form_data, const std::string& boundary)
{
    if (form_data.empty())
        return {};
    std::string script = form_part_script_template;
    script.replace(script.find("%s"), 2, boundary);
    core::sed_command command({"hhsed", "-n", "-e", "s/^/\\&/", "-e", "s/\\&\\([^\\&=]*\\)\\([\\&$]\\)/\\&\\1=\\2/g",
        "-e", script, "-e", "p"});
    auto output = run_traced(command, form_data, "form data to multipart");
    if (output.empty())
        return {};
    // The engine ends its output with a line feed the form data did not have.
    if (output.back() == '\n')
        output.pop_back();
    if (output.size() < 2)
        return {};
    output.erase(0, 2);
    output += "\r\n";
    return output;
}

std::uint64_t multipart_form_part::size()
{
    return convert().size();
}

bool multipart_form_part::write(std::ostream& out)
{
    const auto& text = convert();
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    return static_cast<bool>(out);
}

void multipart_form_part::append(std::string_view text)
{
    form_data_.append(text);
    is_converted_ = false;
}

const std::string& multipart_form_part::convert()
{
    if (!is_converted_) {
        converted_ = form_data_to_multipart(form_data_, *boundary_);
        is_converted_ = true;
    }
    return converted_;
}

multipart_file_part::multipart_file_part(const std::string& boundary, std::string name, std::string path,
    std::string content_type)
    : boundary_(&boundary), name_(std::move(name)), path_(std::move(path)), content_type_(std::move(content_type))
{
}

const std::string& multipart_file_part::header()
{
    if (header_.empty()) {
        header_ = "--" + *boundary_ + "\r\nContent-Disposition: form-data; name=\"" + name_ + "\"; filename=\"" + path_
            + "\"\r\nContent-Type: " + content_type_ + "\r\n\r\n";
    }
    return header_;
}

std::uint64_t multipart_file_part::size()
{
    std::uint64_t bytes = 0;
    if (!path_.empty()) {
        std::error_code error;
        auto file_size = std::filesystem::file_size(path_, error);
        if (!error)
            bytes = file_size;
    }
    return header().size() + bytes + 2;
}

bool multipart_file_part::write(std::ostream& out)
{
    const auto& head = header();
    out.write(head.data(), static_cast<std::streamsize>(head.size()));
    std::ifstream file(path_, std::ios::binary);
    if (path_.empty() || !file)
        return false;
    out << file.rdbuf();
    if (file.bad() || !out)
        return false;
    out.write("\r\n", 2);
    return static_cast<bool>(out);
}

std::string response_cookies(std::string_view raw_headers_crlf)
{
    if (raw_headers_crlf.empty())
        return {};
    std::string text(raw_headers_crlf);
    text.resize(core::remove_carriage_returns(text.data(), text.size()));
    auto command = core::sed_command::from_command_line(cookie_command_line);
    return run_traced(command, text, "response cookies");
}

std::string page_text(std::string_view page)
{
    core::sed_script_command command("-n", page_text_script);
    return run_traced(command, without_runaway_markup(page), "page text");
}

}

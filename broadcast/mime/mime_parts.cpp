#include "broadcast/mime/mime_parts.h"

#include "core/markup/escape.h"
#include "core/util/base64.h"

#include <memory>

namespace broadcast::mime {

namespace {

// Length of the well-formed UTF-8 sequence at text[at]; 0 when none starts there.
std::size_t utf8_sequence_length(std::string_view text, std::size_t at)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    if (lead < 0x80)
        return 1;
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (at + length > text.size())
        return 0;
    if (byte(at + 1) < low || byte(at + 1) > high)
        return 0;
    for (std::size_t i = 2; i < length; ++i) {
        if (byte(at + i) < 0x80 || byte(at + i) > 0xBF)
            return 0;
    }
    return length;
}

void write_line(byte_sink& sink, std::string_view text)
{
    std::string line(text);
    line += "\r\n";
    sink.write(line);
}

}

std::string boundary_at(const platform::utc_time& when)
{
    std::string boundary = "MIMEMsg";
    for (int field : {when.year, when.month, when.day, when.hour, when.minute, when.second, when.millisecond})
        boundary += std::to_string(field);
    return boundary;
}

std::string xml_attribute_text(std::string_view value, std::string_view what)
{
    for (std::size_t at = 0; at < value.size();) {
        const auto c = static_cast<unsigned char>(value[at]);
        if ((c < 0x20 && c != '\t' && c != '\r' && c != '\n') || c == 0x7F)
            throw mime_error(std::string(what) + " holds a control character that XML cannot carry");
        const std::size_t length = utf8_sequence_length(value, at);
        if (length == 0)
            throw mime_error(std::string(what) + " is not valid UTF-8");
        at += length;
    }
    std::string out;
    for (char c : core::escape_attribute_value(value, '"', core::escape_mode::exact)) {
        switch (c) {
        case '\'': out += "&apos;"; break;
        case '\t': out += "&#9;"; break;
        case '\r': out += "&#13;"; break;
        case '\n': out += "&#10;"; break;
        default: out += c;
        }
    }
    return out;
}

std::string header_quoted_text(std::string_view value, std::string_view what)
{
    std::string out;
    for (char c : value) {
        if (c == '\r' || c == '\n' || c == '\0')
            throw mime_error(std::string(what) + " holds a line break or NUL that a mail header cannot carry");
        if (c == '"' || c == '\\')
            out += '\\';
        out += c;
    }
    return out;
}

std::string file_name_of(std::string_view path)
{
    const auto slash = path.find_last_of('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

void write_base64(byte_source& source, byte_sink& sink)
{
    const auto block = std::make_unique<char[]>(io_block);
    core::base64_line_encoder encoder;
    std::string lines;
    for (;;) {
        const std::size_t got = source.read(block.get(), io_block);
        if (got == 0)
            break;
        lines.clear();
        encoder.feed(std::string_view(block.get(), got), lines);
        sink.write(lines);
    }
    lines.clear();
    encoder.finish(lines);
    sink.write(lines);
}

void write_request_head(byte_sink& sink, std::string_view boundary, const request_account& account)
{
    const std::string login = xml_attribute_text(account.login, "The login");
    const std::string password = xml_attribute_text(account.password, "The password");
    const std::string b(boundary);
    write_line(sink, "Content-Type: multipart/mixed; boundary=\"" + b + "\"");
    write_line(sink, "");
    write_line(sink, "--" + b);
    write_line(sink, "Content-Type: text/xml; charset=\"utf-8\"; name=\"xml.txt\"");
    write_line(sink, "");
    write_line(sink, "<?xml version=\"1.0\"?>");
    write_line(sink, "<HTTP_REQUEST>");
    write_line(sink, " <HEADER>");
    write_line(sink, "  <PROTOCOL name=\"QBHTTP\" version=\"1.0\"/>");
    write_line(sink, "  <USER_AGENT name=\"VELTRANE WIZARD\" version=\""
            + xml_attribute_text(account.program_version, "The program version") + "\"/>");
    write_line(sink, "  <USER name=\"" + login + "\" password=\"" + password + "\"/>");
    write_line(sink, "  <ACTION>SUBMIT</ACTION>");
    write_line(sink, " </HEADER>");
    write_line(sink, "</HTTP_REQUEST>");
}

void write_request_file(byte_sink& sink, std::string_view boundary, std::string_view name, byte_source& source)
{
    const std::string quoted = header_quoted_text(name, "The file name");
    const std::string b(boundary);
    write_line(sink, "");
    write_line(sink, "--" + b);
    write_line(sink, "Content-Type: application/gzip; name=\"" + quoted + "\"");
    write_line(sink, "Content-Transfer-Encoding: base64");
    write_line(sink, "");
    write_base64(source, sink);
    write_line(sink, "");
    write_line(sink, "--" + b + "--");
}

void write_mail_head(byte_sink& sink, std::string_view boundary, std::string_view from, std::string_view to)
{
    const std::string sender = header_quoted_text(from, "The sender address");
    const std::string recipient = header_quoted_text(to, "The recipient address");
    if (sender.size() != from.size() || recipient.size() != to.size() || from.find('>') != std::string_view::npos
        || to.find('>') != std::string_view::npos)
        throw mime_error("A mail address holds a character that an address header cannot carry");
    write_line(sink, "From: <" + sender + ">");
    write_line(sink, "To: <" + recipient + ">");
    write_line(sink, "MIME-Version: 1.0");
    write_line(sink, "Content-Type: multipart/mixed;");
    write_line(sink, "\tboundary=\"" + std::string(boundary) + "\"");
    write_line(sink, "");
}

void write_mail_part(byte_sink& sink, std::string_view boundary, std::string_view name, byte_source& source)
{
    const std::string quoted = header_quoted_text(name, "The file name");
    write_line(sink, "--" + std::string(boundary));
    write_line(sink, "Content-Type: application/octet-stream;");
    write_line(sink, "\tname=\"" + quoted + "\"");
    write_line(sink, "Content-Transfer-Encoding: base64");
    write_line(sink, "Content-Disposition: attachment;");
    write_line(sink, "\tfilename=\"" + quoted + "\"");
    write_line(sink, "");
    write_base64(source, sink);
    write_line(sink, "");
}

void write_mail_end(byte_sink& sink, std::string_view boundary)
{
    write_line(sink, "--" + std::string(boundary) + "--");
    write_line(sink, "");
}

}

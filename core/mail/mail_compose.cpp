#include "core/mail/mail_compose.h"

#include "core/util/base64.h"

#include <cstdio>

namespace core {

namespace mail = platform::mail;

namespace {

constexpr std::string_view boundary = "=_talverin_part";
constexpr std::size_t max_plain_header_text = 900;
// Input bytes per encoded word: 60 base64 characters, a folded line well under 78.
constexpr std::size_t encoded_word_bytes = 45;

bool plain_ascii(std::string_view text)
{
    for (unsigned char c : text) {
        if (c < 0x20 || c >= 0x7f)
            return false;
    }
    return true;
}

std::string blanks_for_line_breaks(std::string_view text)
{
    std::string out(text);
    for (char& c : out) {
        if (c == '\r' || c == '\n' || c == '\0')
            c = ' ';
    }
    return out;
}

// RFC 2047 words of at most encoded_word_bytes bytes, split between UTF-8 characters,
// each on its own folded line after the first.
std::string encoded_words(std::string_view text)
{
    std::string out;
    while (!text.empty()) {
        std::size_t take = std::min(text.size(), encoded_word_bytes);
        // Keep a character whole unless one character is longer than a word.
        std::size_t cut = take;
        while (cut > 0 && cut < text.size() && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
            --cut;
        if (cut > 0)
            take = cut;
        if (!out.empty())
            out += "\n ";
        out += "=?UTF-8?B?" + base64_encode_lines(text.substr(0, take), 0, "") + "?=";
        text.remove_prefix(take);
    }
    return out;
}

std::string header_text(std::string_view text)
{
    std::string clean = blanks_for_line_breaks(text);
    if (plain_ascii(clean) && clean.size() <= max_plain_header_text)
        return clean;
    return encoded_words(clean);
}

std::string quoted(std::string_view text)
{
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\')
            out += '\\';
        out += c;
    }
    return out + "\"";
}

std::string mailbox(const mail::mapi_recipient& who)
{
    std::string name = blanks_for_line_breaks(who.name);
    if (name.empty() || name == who.address)
        return "<" + who.address + ">";
    if (plain_ascii(name) && quoted(name).size() <= max_plain_header_text)
        return quoted(name) + "\n <" + who.address + ">";
    return encoded_words(name) + "\n <" + who.address + ">";
}

// A file-name parameter: quoted when plain ASCII and short, else RFC 2231 pieces of
// percent-encoded UTF-8, each on its own folded line.
std::string file_name_parameter(std::string_view parameter, std::string_view name)
{
    std::string clean = blanks_for_line_breaks(name);
    if (plain_ascii(clean) && clean.size() <= 200)
        return std::string(parameter) + "=" + quoted(clean);
    static constexpr char hex[] = "0123456789ABCDEF";
    std::vector<std::string> pieces(1);
    for (unsigned char c : clean) {
        bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.'
            || c == '-' || c == '_';
        std::string piece = plain ? std::string(1, static_cast<char>(c))
                                  : std::string {'%', hex[c >> 4], hex[c & 15]};
        if (pieces.back().size() + piece.size() > 60)
            pieces.emplace_back();
        pieces.back() += piece;
    }
    std::string out;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        if (i != 0)
            out += ";\n ";
        out += std::string(parameter) + "*" + std::to_string(i) + "*=" + (i == 0 ? "UTF-8''" : "") + pieces[i];
    }
    return out;
}

const char* const weekdays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// Days since 1970-01-01 of a civil date (proleptic Gregorian).
long days_from_civil(long year, unsigned month, unsigned day)
{
    year -= month <= 2;
    const long era = (year >= 0 ? year : year - 399) / 400;
    const unsigned year_of_era = static_cast<unsigned>(year - era * 400);
    const unsigned day_of_year = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const unsigned day_of_era = year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
    return era * 146097 + static_cast<long>(day_of_era) - 719468;
}

}

bool usable_mail_address(std::string_view address)
{
    if (address.empty() || address.size() > 900 || address.front() == '-'
        || address.find('@') == std::string_view::npos)
        return false;
    for (unsigned char c : address) {
        if (c <= 0x20 || c == 0x7f || c == '<' || c == '>' || c == ',' || c == ';' || c == '"')
            return false;
    }
    return true;
}

std::string mail_date(const std::tm& when)
{
    const unsigned month = static_cast<unsigned>(when.tm_mon) % 12;
    const long days = days_from_civil(when.tm_year + 1900L, month + 1, static_cast<unsigned>(when.tm_mday));
    const long weekday = ((days % 7) + 7 + 4) % 7;  // 1970-01-01 was a Thursday
    const long offset_minutes = when.tm_gmtoff / 60;
    const long magnitude = offset_minutes < 0 ? -offset_minutes : offset_minutes;
    char text[64];
    std::snprintf(text, sizeof text, "%s, %d %s %d %02d:%02d:%02d %c%02ld%02ld", weekdays[weekday], when.tm_mday,
        months[month], when.tm_year + 1900, when.tm_hour, when.tm_min, when.tm_sec, offset_minutes < 0 ? '-' : '+',
        magnitude / 60 % 100, magnitude % 60);
    return text;
}

composed_mail compose_mail(const mail::mapi_message& message, const std::vector<attachment_bytes>& files,
    const std::tm& date)
{
    composed_mail result;
    std::vector<std::string> by_class[3];
    if (message.recipients.empty()) {
        result.code = mail::MAPI_E_INVALID_RECIPS;
        return result;
    }
    for (const auto& who : message.recipients) {
        if (who.recip_class < mail::MAPI_TO || who.recip_class > mail::MAPI_BCC) {
            result.code = mail::MAPI_E_BAD_RECIPTYPE;
            return result;
        }
        if (!usable_mail_address(who.address)) {
            result.code = mail::MAPI_E_UNKNOWN_RECIPIENT;
            return result;
        }
        by_class[who.recip_class - 1].push_back(mailbox(who));
    }
    const bool has_originator = message.originator && !message.originator->address.empty();
    if (has_originator && !usable_mail_address(message.originator->address)) {
        result.code = mail::MAPI_E_FAILURE;
        return result;
    }

    std::string& out = result.text;
    out += "Date: " + mail_date(date) + "\n";
    if (has_originator)
        out += "From: " + mailbox(*message.originator) + "\n";
    const char* const class_headers[] = {"To", "Cc", "Bcc"};
    for (int i = 0; i < 3; ++i) {
        if (by_class[i].empty())
            continue;
        out += std::string(class_headers[i]) + ": ";
        for (std::size_t k = 0; k < by_class[i].size(); ++k)
            out += (k == 0 ? "" : ",\n ") + by_class[i][k];
        out += "\n";
    }
    out += "Subject: " + header_text(message.subject) + "\n";
    out += "MIME-Version: 1.0\n";
    out += "Content-Type: multipart/mixed;\n boundary=\"" + std::string(boundary) + "\"\n\n";
    const std::string delimiter = "--" + std::string(boundary) + "\n";
    if (!message.note_text.empty() || files.empty()) {
        out += delimiter;
        out += "Content-Type: text/plain; charset=UTF-8\nContent-Transfer-Encoding: base64\n\n";
        out += base64_encode_lines(message.note_text, 76, "\n");
    }
    for (const auto& file : files) {
        out += delimiter;
        out += "Content-Type: application/octet-stream;\n " + file_name_parameter("name", file.file_name) + "\n";
        out += "Content-Transfer-Encoding: base64\n";
        out += "Content-Disposition: attachment;\n " + file_name_parameter("filename", file.file_name) + "\n\n";
        out += base64_encode_lines(file.bytes, 76, "\n");
    }
    out += "--" + std::string(boundary) + "--\n";
    return result;
}

}

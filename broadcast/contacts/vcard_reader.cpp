// vCard 2.1, 3.0 and 4.0: folded lines, groups, parameters (bare 2.1 types too),
// QUOTED-PRINTABLE with soft line breaks, escaped text and structured values.
#include "broadcast/contacts/vcard_reader.h"
#include "broadcast/contacts/text_lines.h"
#include "core/util/base64.h"
#include "core/util/utf8.h"
#include "platform/text/quoted_text.h"

#include <algorithm>
#include <string>
#include <vector>

namespace broadcast::contacts {

namespace {

// The properties that give a field; every other one is skipped without being copied.
bool wanted(std::string_view name)
{
    for (std::string_view known : {"FN", "N", "EMAIL", "TITLE", "ORG", "ADR", "TEL", "URL", "CATEGORIES", "BEGIN",
             "END", "AGENT"}) {
        if (equal_ignoring_case(name, known))
            return true;
    }
    return false;
}

struct property {
    std::string name;
    std::vector<std::string> types; // lower-case
    int preference = 100;           // lower is preferred
    bool quoted_printable = false;
    bool base64 = false;
    bool latin1 = false;
    std::string value;
};


// Calls `take` with each piece of the text between the `separator`s outside double quotes,
// in order; nothing is collected, as every content line has parameters to split.
template <typename Take>
void for_each_outside_quotes(std::string_view text, char separator, Take take)
{
    bool quoted = false;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '"')
            quoted = !quoted;
        else if (text[i] == separator && !quoted) {
            take(text.substr(start, i - start));
            start = i + 1;
        }
    }
    take(text.substr(start));
}

void read_parameter(std::string_view parameter, property& p)
{
    const std::size_t equals = parameter.find('=');
    const std::string_view key = equals == std::string_view::npos ? std::string_view("TYPE") : parameter.substr(0, equals);
    std::string_view values = equals == std::string_view::npos ? parameter : parameter.substr(equals + 1);
    if (values.size() >= 2 && values.front() == '"' && values.back() == '"')
        values = values.substr(1, values.size() - 2);
    for_each_outside_quotes(values, ',', [&](std::string_view value) {
        if (equal_ignoring_case(key, "TYPE")) {
            if (equal_ignoring_case(value, "quoted-printable"))
                p.quoted_printable = true; // a bare 2.1 encoding
            else if (equal_ignoring_case(value, "pref"))
                p.preference = std::min(p.preference, 1);
            else
                p.types.push_back(core::ascii_lowercase(value));
        } else if (equal_ignoring_case(key, "PREF")) {
            int rank = 0;
            for (char c : value) {
                if (c < '0' || c > '9' || rank > 1000)
                    break;
                rank = rank * 10 + (c - '0');
            }
            if (rank > 0)
                p.preference = std::min(p.preference, rank);
        } else if (equal_ignoring_case(key, "ENCODING")) {
            p.quoted_printable = p.quoted_printable || equal_ignoring_case(value, "quoted-printable");
            p.base64 = p.base64 || equal_ignoring_case(value, "b") || equal_ignoring_case(value, "base64");
        } else if (equal_ignoring_case(key, "CHARSET")) {
            p.latin1 = equal_ignoring_case(value, "iso-8859-1") || equal_ignoring_case(value, "windows-1252") || equal_ignoring_case(value, "latin1");
        }
    });
}

std::string decode_quoted_printable(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '=' && i + 2 < text.size() && platform::text::hex_digit(text[i + 1]) >= 0 && platform::text::hex_digit(text[i + 2]) >= 0) {
            out.push_back(static_cast<char>(platform::text::hex_digit(text[i + 1]) * 16 + platform::text::hex_digit(text[i + 2])));
            i += 2;
        } else if (text[i] == '=' && i + 1 == text.size()) {
            // A soft break that ended the value.
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

std::string latin1_to_utf8(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size());
    for (char c : bytes)
        core::append_utf8(out, static_cast<unsigned char>(c));
    return out;
}

// The value as UTF-8 text, its encodings undone; NUL bytes dropped.
std::string decoded_value(const property& p, std::string_view raw)
{
    if (!p.quoted_printable && !p.base64 && raw.find('\0') == std::string_view::npos)
        return p.latin1 ? latin1_to_utf8(raw) : core::sanitize_utf8(raw); // nothing to undo: no copy first
    std::string bytes;
    if (p.quoted_printable) {
        bytes = decode_quoted_printable(raw);
    } else if (p.base64) {
        bytes = core::base64_decode(raw).value_or(std::string());
    } else {
        bytes.assign(raw);
    }
    std::erase(bytes, '\0');
    return p.latin1 ? latin1_to_utf8(bytes) : core::sanitize_utf8(bytes);
}

// The components of a structured value, split at unescaped ";", each unescaped.
std::vector<std::string> components(std::string_view value, char separator = ';')
{
    std::vector<std::string> out;
    out.reserve(static_cast<std::size_t>(std::count(value.begin(), value.end(), separator)) + 1);
    out.emplace_back();
    for (std::size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (c == '\\' && i + 1 < value.size()) {
            const char next = value[++i];
            out.back().push_back(next == 'n' || next == 'N' ? '\n' : next);
        } else if (c == separator) {
            out.emplace_back();
        } else {
            out.back().push_back(c);
        }
    }
    return out;
}

std::string unescaped(std::string value)
{
    if (value.find('\\') == std::string::npos)
        return value; // the usual case: nothing escaped, nothing copied
    std::string out;
    out.reserve(value.size());
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\\' && i + 1 < value.size()) {
            const char next = value[++i];
            out.push_back(next == 'n' || next == 'N' ? '\n' : next);
        } else {
            out.push_back(value[i]);
        }
    }
    return out;
}

bool has_type(const property& p, std::string_view type)
{
    return std::find(p.types.begin(), p.types.end(), type) != p.types.end();
}

void set_first(contact_fields& card, int index, std::string value)
{
    auto& slot = card[static_cast<std::size_t>(index)];
    if (slot.empty())
        slot = std::move(value);
}

void set_first_of(contact_fields& card, std::initializer_list<int> indices, const std::string& value)
{
    for (int index : indices) {
        if (card[static_cast<std::size_t>(index)].empty()) {
            card[static_cast<std::size_t>(index)] = value;
            return;
        }
    }
}

// The telephone field for a number of these types.
void place_telephone(contact_fields& card, const property& p, const std::string& number)
{
    const bool fax = has_type(p, "fax");
    if (fax && has_type(p, "work"))
        set_first(card, business_fax, number);
    else if (fax && has_type(p, "home"))
        set_first(card, home_fax, number);
    else if (fax)
        set_first(card, other_fax, number);
    else if (has_type(p, "cell"))
        set_first(card, mobile_phone, number);
    else if (has_type(p, "pager"))
        set_first(card, pager, number);
    else if (has_type(p, "isdn"))
        set_first(card, isdn, number);
    else if (has_type(p, "textphone") || has_type(p, "tty") || has_type(p, "x-tty"))
        set_first(card, tty_tdd, number);
    else if (has_type(p, "x-assistant") || has_type(p, "assistant"))
        set_first(card, assistant_phone, number);
    else if (has_type(p, "x-callback") || has_type(p, "callback"))
        set_first(card, callback_phone, number);
    else if (has_type(p, "x-telex") || has_type(p, "tlx"))
        set_first(card, telex, number);
    else if (has_type(p, "main") || has_type(p, "x-company") || has_type(p, "company"))
        set_first(card, company_phone, number);
    else if (has_type(p, "work"))
        set_first_of(card, {business_phone, business_phone2}, number);
    else if (has_type(p, "home"))
        set_first_of(card, {home_phone, home_phone2}, number);
    else
        set_first(card, other_phone, number);
    if (p.preference == 1 && !fax)
        set_first(card, primary_phone, number);
}

}

// The card being read, with its e-mail addresses ranked by preference.
struct vcard_builder {
    contact_fields card;
    std::size_t start_line = 0;
    std::string family_name, given_name;
    struct ranked_email {
        int preference;
        std::size_t order;
        std::string address;
    };
    std::vector<ranked_email> emails; // the best three so far
    std::size_t email_count = 0;

    // Empty for the next card; the text's memory is kept for it.
    void reset(std::size_t line)
    {
        for (auto& value : card)
            value.clear();
        start_line = line;
        family_name.clear();
        given_name.clear();
        emails.clear();
        email_count = 0;
    }

    void add_email(int preference, std::string address)
    {
        if (address.empty())
            return;
        emails.push_back({preference, email_count++, std::move(address)});
        std::stable_sort(emails.begin(), emails.end(),
            [](const ranked_email& a, const ranked_email& b) { return a.preference < b.preference; });
        if (emails.size() > 3)
            emails.pop_back();
    }

    contact_card finish()
    {
        for (auto& email : emails)
            contacts::add_email(card, std::move(email.address));
        if (card[full_name].empty()) {
            std::string name = given_name;
            if (!family_name.empty())
                name += (name.empty() ? "" : " ") + family_name;
            card[full_name] = name;
        }
        set_first(card, file_as, given_name);
        return contact_card(card);
    }

    void take(const property& p, std::string_view raw)
    {
        std::string value = decoded_value(p, raw);
        if (equal_ignoring_case(p.name, "FN")) {
            set_first(card, full_name, unescaped(std::move(value)));
        } else if (equal_ignoring_case(p.name, "N")) {
            const auto parts = components(value);
            family_name = parts[0];
            given_name = parts.size() > 1 ? parts[1] : std::string();
        } else if (equal_ignoring_case(p.name, "EMAIL")) {
            add_email(p.preference, unescaped(std::move(value)));
        } else if (equal_ignoring_case(p.name, "TITLE")) {
            set_first(card, job_title, unescaped(std::move(value)));
        } else if (equal_ignoring_case(p.name, "ORG")) {
            auto parts = components(value);
            set_first(card, company, std::move(parts[0]));
            if (parts.size() > 1)
                set_first(card, department, std::move(parts[1]));
        } else if (equal_ignoring_case(p.name, "ADR")) {
            const auto parts = components(value);
            const std::string city = parts.size() > 3 ? parts[3] : std::string();
            if (city.empty())
                return;
            set_first(card, has_type(p, "work") ? business_city : has_type(p, "home") ? home_city : other_city, city);
        } else if (equal_ignoring_case(p.name, "TEL")) {
            const std::string number = unescaped(std::move(value));
            if (!number.empty())
                place_telephone(card, p, number);
        } else if (equal_ignoring_case(p.name, "URL")) {
            set_first(card, web_page, unescaped(std::move(value)));
        } else if (equal_ignoring_case(p.name, "CATEGORIES")) {
            set_first(card, categories, unescaped(std::move(value)));
        }
    }
};

namespace {

// The name of a content line: what stands before ";" or ":", its group taken off.
std::string_view property_name(std::string_view line)
{
    const std::size_t end = line.find_first_of(";:");
    std::string_view name = line.substr(0, end == std::string_view::npos ? line.size() : end);
    const std::size_t dot = name.rfind('.');
    return dot == std::string_view::npos ? name : name.substr(dot + 1);
}


}

vcard_reader::vcard_reader(const read_limits& limits) : limits_(limits), card_(std::make_unique<vcard_builder>()) { }

vcard_reader::~vcard_reader() = default;

std::size_t vcard_reader::read(std::string_view text, bool last)
{
    if (!last) {
        // Only whole physical lines: a CR at the very end may still have its LF to come.
        std::size_t end = text.size();
        while (end > 0 && text[end - 1] != '\n' && (text[end - 1] != '\r' || end == text.size()))
            --end;
        text = text.substr(0, end);
    }
    text_lines lines(text);
    std::string_view line;
    while (!failed()) {
        const std::size_t line_at = lines.position();
        const std::size_t lines_at = lines.number();
        if (!lines.next(line))
            break;
        if (line.empty() || line[0] == ' ' || line[0] == '\t')
            continue; // a stray continuation or a blank line
        const std::size_t first_line = lines_before_ + lines.number();
        const std::string_view name = property_name(line);
        const std::size_t colon = line.find(':');
        const bool is_wanted = wanted(name);
        const bool soft_breaks = colon != std::string_view::npos && core::find_ignoring_case(line.substr(0, colon), "quoted-printable") != std::string_view::npos;
        // The whole content line: continuation lines, and for QUOTED-PRINTABLE the lines after
        // a soft break. Properties without a field are passed over without copying.
        bool too_long = line.size() > limits_.max_line_bytes;
        if (is_wanted && !too_long)
            logical_.assign(line);
        std::size_t length = line.size();
        bool soft = soft_breaks && !line.empty() && line.back() == '=';
        std::string_view next;
        bool more = false;
        while ((more = lines.peek(next)) && (soft || (!next.empty() && (next[0] == ' ' || next[0] == '\t')))) {
            lines.next(next);
            const std::string_view piece = soft ? next : next.substr(1);
            length += piece.size();
            if (length > limits_.max_line_bytes)
                too_long = true;
            if (is_wanted && !too_long) {
                if (soft)
                    logical_.pop_back(); // the "=" of the soft break
                logical_.append(piece);
            }
            soft = soft_breaks && !next.empty() && next.back() == '=';
        }
        if (!more && !last) {
            // The content line may go on in the next piece: it is read again from there.
            lines_before_ += lines_at;
            return line_at;
        }
        if (too_long && is_wanted) {
            if (open_ && nesting_ == 0)
                result_.skipped.push_back({first_line, "a line longer than the limit"});
            continue;
        }
        if (!is_wanted) {
            if (colon == std::string_view::npos && open_ && nesting_ == 0)
                result_.skipped.push_back({first_line, "a line without \":\""});
            continue;
        }
        const std::size_t value_at = logical_.find(':');
        if (value_at == std::string::npos) {
            if (open_ && nesting_ == 0)
                result_.skipped.push_back({first_line, "a line without \":\""});
            continue;
        }
        const std::string_view value(logical_.data() + value_at + 1, logical_.size() - value_at - 1);
        if (equal_ignoring_case(name, "BEGIN") && equal_ignoring_case(value, "VCARD")) {
            if (!open_) {
                open_ = true;
                card_->reset(first_line);
            } else {
                ++nesting_;
            }
            continue;
        }
        if (equal_ignoring_case(name, "AGENT") && open_ && equal_ignoring_case(value, "BEGIN:VCARD")) {
            ++nesting_;
            continue;
        }
        if (equal_ignoring_case(name, "END") && equal_ignoring_case(value, "VCARD")) {
            if (nesting_ > 0) {
                --nesting_;
            } else if (open_) {
                if (result_.cards.size() == limits_.max_cards) {
                    result_.failure = "more than " + std::to_string(limits_.max_cards) + " cards";
                    break;
                }
                result_.cards.push_back(card_->finish());
                open_ = false;
            }
            continue;
        }
        if (!open_ || nesting_ > 0)
            continue;
        property p;
        p.name = std::string(name);
        const std::string_view head(logical_.data(), value_at);
        bool first = true; // the name, not a parameter
        for_each_outside_quotes(head, ';', [&](std::string_view parameter) {
            if (!first)
                read_parameter(parameter, p);
            first = false;
        });
        card_->take(p, value);
    }
    lines_before_ += lines.number();
    return lines.position();
}

read_result vcard_reader::finish()
{
    if (open_ && !failed())
        result_.skipped.push_back({card_->start_line, "a card without \"END:VCARD\""});
    open_ = false;
    return std::move(result_);
}

read_result read_vcards(std::string_view bytes, const read_limits& limits)
{
    if (bytes.size() > limits.max_file_bytes) {
        read_result result;
        result.failure = "the file is larger than " + std::to_string(limits.max_file_bytes >> 20) + " MiB";
        return result;
    }
    vcard_reader reader(limits);
    reader.read(bytes, true);
    return reader.finish();
}

}

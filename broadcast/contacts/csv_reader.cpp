// Contact lists exported as delimited text (RFC 4180): a header row naming the columns, ","
// ";" or tab as delimiter, quoted fields with "" inside, UTF-8 or UTF-16 by byte-order mark.
#include "broadcast/contacts/contact_card.h"
#include "broadcast/contacts/text_lines.h"
#include "core/util/utf8.h"

#include <string>
#include <vector>

namespace broadcast::contacts {

namespace {

struct column_alias {
    std::string_view heading;
    int field; // -1: an e-mail column that fills the next free address
};
constexpr int next_email = -1;
constexpr column_alias column_aliases[] = {
    {"Name", full_name}, {"Display Name", full_name}, {"E-mail Address", next_email}, {"E-mail", next_email},
    {"Email", next_email}, {"Primary Email", next_email}, {"E-mail 2 Address", next_email},
    {"Secondary Email", next_email}, {"E-mail 3 Address", next_email}, {"Title", job_title},
    {"Company", company}, {"Organization", company}, {"Business City", business_city}, {"Home City", home_city},
    {"Other City", other_city}, {"Business Phone", business_phone}, {"Business Phone 2", business_phone2},
    {"Assistant's Phone", assistant_phone}, {"Company Main Phone", company_phone}, {"Home Phone", home_phone},
    {"Home Phone 2", home_phone2}, {"Mobile Phone", mobile_phone}, {"Callback", callback_phone},
    {"TTY/TDD Phone", tty_tdd}, {"Other Phone", other_phone}, {"Primary Phone", primary_phone},
    {"First Name", file_as}, {"Given Name", file_as},
};

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

// The field a heading stands for: a display name or a known export heading; -2 for none.
int field_of_heading(std::string_view heading)
{
    heading = trimmed(heading);
    for (int i = 0; i < field_count; ++i) {
        if (equal_ignoring_case(heading, ContactFieldName(i)))
            return i == email1 || i == email2 || i == email3 ? next_email : i;
    }
    for (const auto& alias : column_aliases) {
        if (equal_ignoring_case(heading, alias.heading))
            return alias.field;
    }
    return -2;
}

// The text as UTF-8: a byte-order mark chooses UTF-8 or UTF-16.
std::string text_of(std::string_view bytes)
{
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF && static_cast<unsigned char>(bytes[1]) == 0xFE)
        return core::utf16_to_utf8(bytes.substr(2), false);
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFE && static_cast<unsigned char>(bytes[1]) == 0xFF)
        return core::utf16_to_utf8(bytes.substr(2), true);
    if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF")
        bytes.remove_prefix(3);
    return core::sanitize_utf8(bytes);
}

// The delimiter the header row uses most, outside quotes (a comma on a tie).
char delimiter_of(std::string_view text)
{
    std::size_t commas = 0, semicolons = 0, tabs = 0;
    bool quoted = false;
    for (char c : text) {
        if (c == '"')
            quoted = !quoted;
        else if (!quoted && (c == '\n' || c == '\r'))
            break;
        else if (!quoted)
            commas += c == ',', semicolons += c == ';', tabs += c == '\t';
    }
    if (semicolons > commas && semicolons >= tabs)
        return ';';
    if (tabs > commas && tabs > semicolons)
        return '\t';
    return ',';
}

// Reads rows one at a time; a row may span lines inside quotes.
class row_reader {
public:
    row_reader(std::string_view text, char delimiter, std::size_t max_row) : text_(text), delimiter_(delimiter), max_row_(max_row) { }

    enum class outcome { row, end, unbalanced, too_long };

    outcome next(std::vector<std::string>& fields)
    {
        fields.clear();
        if (position_ >= text_.size())
            return outcome::end;
        start_line_ = line_;
        fields.emplace_back();
        std::size_t row_bytes = 0;
        bool quoted = false;
        while (position_ < text_.size()) {
            const char c = text_[position_++];
            if (++row_bytes > max_row_) {
                skip_rest_of_row(quoted);
                return outcome::too_long;
            }
            if (quoted) {
                if (c == '"' && position_ < text_.size() && text_[position_] == '"') {
                    fields.back().push_back('"');
                    ++position_;
                } else if (c == '"') {
                    quoted = false;
                } else {
                    count_line(c);
                    fields.back().push_back(c);
                }
            } else if (c == '"' && fields.back().empty()) {
                quoted = true;
            } else if (c == delimiter_) {
                fields.emplace_back();
            } else if (c == '\r' || c == '\n') {
                if (c == '\r' && position_ < text_.size() && text_[position_] == '\n')
                    ++position_;
                ++line_;
                return outcome::row;
            } else {
                fields.back().push_back(c);
            }
        }
        return quoted ? outcome::unbalanced : outcome::row;
    }
    std::size_t start_line() const { return start_line_; }

private:
    void count_line(char c)
    {
        if (c == '\n' || (c == '\r' && (position_ >= text_.size() || text_[position_] != '\n')))
            ++line_;
    }
    void skip_rest_of_row(bool quoted)
    {
        while (position_ < text_.size()) {
            const char c = text_[position_++];
            if (c == '"')
                quoted = !quoted;
            else if (!quoted && (c == '\n' || c == '\r')) {
                if (c == '\r' && position_ < text_.size() && text_[position_] == '\n')
                    ++position_;
                ++line_;
                return;
            } else {
                count_line(c);
            }
        }
    }

    std::string_view text_;
    char delimiter_;
    std::size_t max_row_;
    std::size_t position_ = 0;
    std::size_t line_ = 1;
    std::size_t start_line_ = 1;
};

}

read_result read_contacts_csv(std::string_view bytes, const read_limits& limits)
{
    read_result result;
    if (bytes.size() > limits.max_file_bytes) {
        result.failure = "the file is larger than " + std::to_string(limits.max_file_bytes >> 20) + " MiB";
        return result;
    }
    const std::string text = text_of(bytes);
    row_reader rows(text, delimiter_of(text), limits.max_line_bytes);
    std::vector<std::string> fields;
    std::vector<int> column_fields;
    bool have_header = false;
    for (;;) {
        const auto outcome = rows.next(fields);
        if (outcome == row_reader::outcome::end)
            break;
        if (outcome == row_reader::outcome::too_long) {
            result.skipped.push_back({rows.start_line(), "a row longer than the limit"});
            continue;
        }
        if (outcome == row_reader::outcome::unbalanced) {
            result.skipped.push_back({rows.start_line(), "a quote that is never closed"});
            break;
        }
        if (!have_header) {
            have_header = true;
            for (const auto& heading : fields)
                column_fields.push_back(field_of_heading(heading));
            continue;
        }
        contact_fields card;
        bool any = false;
        for (std::size_t i = 0; i < fields.size() && i < column_fields.size(); ++i) {
            std::string value(trimmed(fields[i]));
            std::erase(value, '\0');
            if (value.empty() || column_fields[i] == -2)
                continue;
            any = true;
            if (column_fields[i] == next_email)
                add_email(card, std::move(value));
            else if (auto& slot = card[static_cast<std::size_t>(column_fields[i])]; slot.empty())
                slot = std::move(value);
        }
        if (!any)
            continue;
        if (result.cards.size() == limits.max_cards) {
            result.failure = "more than " + std::to_string(limits.max_cards) + " rows";
            return result;
        }
        result.cards.emplace_back(std::move(card));
    }
    return result;
}

}

// LDIF content records (RFC 2849): folded lines, base64 values, comments; change records
// and values by URL ("attr:< ...", never fetched) are skipped.
#include "broadcast/contacts/contact_card.h"
#include "broadcast/contacts/text_lines.h"
#include "core/util/base64.h"
#include "core/util/utf8.h"

#include <string>

namespace broadcast::contacts {

namespace {

// Attribute -> field, for attributes that give one; the e-mail attributes fill the next
// free address.
struct attribute_field {
    std::string_view attribute;
    int field;
};
constexpr attribute_field attribute_fields[] = {
    {"displayName", full_name}, {"cn", full_name}, {"title", job_title}, {"o", company}, {"ou", department},
    {"department", department}, {"l", business_city}, {"mozillaWorkCity", business_city},
    {"mozillaHomeLocalityName", home_city}, {"telephoneNumber", business_phone}, {"homePhone", home_phone},
    {"mobile", mobile_phone}, {"pager", pager}, {"facsimileTelephoneNumber", business_fax},
    {"mozillaWorkUrl", web_page}, {"workurl", web_page}, {"mozillaHomeUrl", web_page}, {"givenName", file_as},
};

bool is_email_attribute(std::string_view name)
{
    return equal_ignoring_case(name, "mail") || equal_ignoring_case(name, "mozillaSecondEmail") || equal_ignoring_case(name, "mozilla_secondemail");
}

struct record_builder {
    contact_fields card;
    std::size_t start_line = 0;
    bool has_dn = false;
    bool change_record = false;
    std::string given, surname;

    void take(std::string_view name, std::string value)
    {
        std::erase(value, '\0');
        value = core::sanitize_utf8(value);
        if (equal_ignoring_case(name, "dn")) {
            has_dn = true;
        } else if (equal_ignoring_case(name, "changetype")) {
            change_record = !equal_ignoring_case(value, "add");
        } else if (is_email_attribute(name)) {
            if (!value.empty())
                add_email(card, std::move(value));
        } else if (equal_ignoring_case(name, "sn")) {
            surname = value;
        } else {
            if (equal_ignoring_case(name, "givenName"))
                given = value;
            for (const auto& [attribute, index] : attribute_fields) {
                auto& slot = card[static_cast<std::size_t>(index)];
                if (equal_ignoring_case(name, attribute) && slot.empty()) {
                    slot = value;
                    break;
                }
            }
        }
    }

    contact_card finish()
    {
        if (card[full_name].empty())
            card[full_name] = given.empty() ? surname : surname.empty() ? given : given + " " + surname;
        return contact_card(std::move(card));
    }
};

}

read_result read_ldif(std::string_view bytes, const read_limits& limits)
{
    read_result result;
    if (bytes.size() > limits.max_file_bytes) {
        result.failure = "the file is larger than " + std::to_string(limits.max_file_bytes >> 20) + " MiB";
        return result;
    }
    text_lines lines(bytes);
    std::optional<record_builder> open;
    const auto close = [&]() {
        if (!open)
            return true;
        if (!open->has_dn) {
            result.skipped.push_back({open->start_line, "a record without \"dn:\""});
        } else if (!open->change_record) {
            if (result.cards.size() == limits.max_cards) {
                result.failure = "more than " + std::to_string(limits.max_cards) + " records";
                return false;
            }
            result.cards.push_back(open->finish());
        }
        open.reset();
        return true;
    };
    std::string_view line;
    std::string logical;
    while (lines.next(line)) {
        if (line.empty()) {
            if (!close())
                return result;
            continue;
        }
        if (line[0] == ' ')
            continue; // the continuation of a line already passed over
        const std::size_t first_line = lines.number();
        const bool comment = line[0] == '#';
        bool too_long = !comment && line.size() > limits.max_line_bytes;
        logical.assign(comment || too_long ? std::string_view() : line);
        std::string_view next;
        while (lines.peek(next) && !next.empty() && next[0] == ' ') {
            lines.next(next);
            if (comment || too_long)
                continue;
            if (logical.size() + next.size() > limits.max_line_bytes) {
                too_long = true;
                continue;
            }
            logical.append(next.substr(1));
        }
        if (comment)
            continue;
        if (too_long) {
            result.skipped.push_back({first_line, "a line longer than the limit"});
            continue;
        }
        const std::size_t colon = logical.find(':');
        if (colon == std::string::npos || colon == 0) {
            result.skipped.push_back({first_line, "a line without an attribute"});
            continue;
        }
        std::string_view name(logical.data(), colon);
        if (const std::size_t options = name.find(';'); options != std::string_view::npos)
            name = name.substr(0, options);
        if (equal_ignoring_case(name, "version") && !open)
            continue;
        if (!open) {
            open.emplace();
            open->start_line = first_line;
        }
        std::string_view rest(logical.data() + colon + 1, logical.size() - colon - 1);
        if (!rest.empty() && rest[0] == '<') {
            result.skipped.push_back({first_line, "a value by URL, which is not fetched"});
            continue;
        }
        const bool encoded = !rest.empty() && rest[0] == ':';
        if (encoded)
            rest.remove_prefix(1);
        while (!rest.empty() && rest[0] == ' ')
            rest.remove_prefix(1);
        if (encoded) {
            auto decoded = core::base64_decode(rest);
            if (!decoded) {
                result.skipped.push_back({first_line, "a value that is not base64"});
                continue;
            }
            open->take(name, std::move(*decoded));
        } else {
            open->take(name, std::string(rest));
        }
    }
    close();
    return result;
}

}

#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace broadcast::contacts {

// The displayable fields of a contact, by index.
inline constexpr int field_count = 30;
enum field : int {
    full_name = 0, email1 = 1, job_title = 2, company = 3, department = 4, business_city = 5, home_city = 6,
    other_city = 7, business_phone = 8, business_phone2 = 9, assistant_phone = 10, company_phone = 11,
    home_phone = 12, home_phone2 = 13, mobile_phone = 14, pager = 15, callback_phone = 16, telex = 17, tty_tdd = 18,
    isdn = 19, other_phone = 20, primary_phone = 21, business_fax = 22, home_fax = 23, other_fax = 24,
    email2 = 25, email3 = 26, web_page = 27, categories = 28, file_as = 29,
};

// The field's display name ("Full Name", "Email Address" ...); empty outside 0-29.
std::string_view ContactFieldName(int index);
inline int ContactFieldCount() { return field_count; }

// The 30 fields of a contact while it is being read, by index.
using contact_fields = std::array<std::string, field_count>;

// Sets the first empty one of the three e-mail fields; false when all are set.
bool add_email(contact_fields& fields, std::string address);

// One contact of an address book: the 30 fields, and the book or folder it came from. The
// fields' text is kept in one piece: a book has many contacts, and most of their fields are
// empty or short.
class contact_card {
public:
    contact_card() = default;
    explicit contact_card(const contact_fields& fields);

    std::string folder_id;

    // The field's value; empty outside 0-29.
    std::string_view field(int index) const;
    // The first non-empty of the three e-mail fields.
    std::string_view first_email() const;

private:
    // The values of the fields that hold text, in field order, each after its length (7 bits a
    // byte, the last byte's top bit clear); bit i of the mask is set when field i holds text.
    std::string text_;
    std::uint32_t filled_ = 0;
};

// Limits of what a reader takes from one file.
struct read_limits {
    std::size_t max_file_bytes = std::size_t {256} << 20;
    std::size_t max_cards = 1'000'000;
    std::size_t max_line_bytes = std::size_t {16} << 20;
    // A vCard book is read a block at a time; a longer content line takes as many more as it needs.
    std::size_t block_bytes = std::size_t {1} << 20;
};

// A part of a book that was left out, with the line it began on (counted from 1).
struct skipped_part {
    std::size_t line = 0;
    std::string reason;
};

// What a reader made of a file: the cards read, the parts skipped, and, when the file as a
// whole could not be read, why (the cards read before it stay).
struct read_result {
    std::vector<contact_card> cards;
    std::vector<skipped_part> skipped;
    std::optional<std::string> failure;
};

// Readers of the three address-book formats. Text is UTF-8 after reading: bytes that are not
// are replaced by U+FFFD. Properties without a field are skipped without being copied.
read_result read_vcards(std::string_view bytes, const read_limits& limits = {});
read_result read_ldif(std::string_view bytes, const read_limits& limits = {});
read_result read_contacts_csv(std::string_view bytes, const read_limits& limits = {});

}

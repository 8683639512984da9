#include "broadcast/contacts/contact_card.h"

#include <bit>

namespace broadcast::contacts {

namespace {
constexpr std::array<std::string_view, field_count> field_names {"Full Name", "Email Address", "Job Title",
    "Company Name", "Department", "Business Address", "Home Address", "Other Address", "Business Telephone",
    "Business2 Telephone", "Assistant Telephone", "Company Telephone", "Home Telephone", "Home2 Telephone",
    "Mobile Telephone", "Pager", "Callback Telephone", "Telex", "TTY/TDD", "ISDN", "Other Telephone",
    "Primary Telephone", "Business Fax", "Home Fax", "Other Fax", "Email2 Address", "Email3 Address", "Web Page",
    "Categories", "File As"};
}

std::string_view ContactFieldName(int index)
{
    return index >= 0 && index < field_count ? field_names[static_cast<std::size_t>(index)] : std::string_view();
}

bool add_email(contact_fields& fields, std::string address)
{
    for (int index : {email1, email2, email3}) {
        auto& slot = fields[static_cast<std::size_t>(index)];
        if (slot.empty()) {
            slot = std::move(address);
            return true;
        }
    }
    return false;
}

contact_card::contact_card(const contact_fields& fields)
{
    std::size_t length = 0;
    for (const auto& value : fields)
        length += value.empty() ? 0 : value.size() + 5;
    text_.reserve(length);
    for (std::size_t index = 0; index < fields.size(); ++index) {
        const std::string& value = fields[index];
        if (value.empty())
            continue;
        filled_ |= std::uint32_t {1} << index;
        for (std::size_t rest = value.size(); ; rest >>= 7) {
            text_ += static_cast<char>((rest & 0x7F) | (rest > 0x7F ? 0x80 : 0));
            if (rest <= 0x7F)
                break;
        }
        text_ += value;
    }
}

std::string_view contact_card::field(int index) const
{
    if (index < 0 || index >= field_count || !(filled_ >> index & 1))
        return {};
    // The values before this one are passed over by their lengths.
    const int before = std::popcount(filled_ & ((std::uint32_t {1} << index) - 1));
    std::size_t at = 0;
    for (int passed = 0;; ++passed) {
        std::size_t length = 0;
        for (int shift = 0;; shift += 7) {
            const auto byte = static_cast<unsigned char>(text_[at++]);
            length |= static_cast<std::size_t>(byte & 0x7F) << shift;
            if (!(byte & 0x80))
                break;
        }
        if (passed == before)
            return std::string_view(text_).substr(at, length);
        at += length;
    }
}

std::string_view contact_card::first_email() const
{
    for (int index : {email1, email2, email3}) {
        if (const auto address = field(index); !address.empty())
            return address;
    }
    return {};
}

}

#include "broadcast/contacts/contact_card.h"

namespace broadcast::contacts {

namespace {
constexpr std::array<std::string_view, field_count> field_names {"Full Name", "Email Address", "Job Title",
    "Company Name", "Department", "Business Address", "Home Address", "Other Address", "Business Telephone",
    "Business2 Telephone", "Assistant Telephone", "Company Telephone", "Home Telephone", "Home2 Telephone",
    "Mobile Telephone", "Pager", "Callback Telephone", "Telex", "TTY/TDD", "ISDN", "Other Telephone",
    "Primary Telephone", "Business Fax", "Home Fax", "Other Fax", "Email2 Address", "Email3 Address", "Web Page",
    "Categories", "File As"};

const std::string empty_text;
}

std::string_view ContactFieldName(int index)
{
    return index >= 0 && index < field_count ? field_names[static_cast<std::size_t>(index)] : std::string_view();
}

const std::string& contact_card::field(int index) const
{
    return index >= 0 && index < field_count ? fields[static_cast<std::size_t>(index)] : empty_text;
}

const std::string& contact_card::first_email() const
{
    for (int index : {email1, email2, email3}) {
        if (!fields[static_cast<std::size_t>(index)].empty())
            return fields[static_cast<std::size_t>(index)];
    }
    return empty_text;
}

bool contact_card::add_email(std::string address)
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

}

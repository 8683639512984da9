#include "broadcast/contacts/contact_card.h"

#include <algorithm>

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

contact_card::contact_card(contact_fields fields)
{
    values_.reserve(static_cast<std::size_t>(
        std::count_if(fields.begin(), fields.end(), [](const std::string& value) { return !value.empty(); })));
    for (std::size_t index = 0; index < fields.size(); ++index) {
        if (fields[index].empty())
            continue;
        values_.push_back(std::move(fields[index]));
        places_[index] = static_cast<std::uint8_t>(values_.size());
    }
}

const std::string& contact_card::field(int index) const
{
    if (index < 0 || index >= field_count)
        return empty_text;
    const std::uint8_t place = places_[static_cast<std::size_t>(index)];
    return place == 0 ? empty_text : values_[place - 1u];
}

const std::string& contact_card::first_email() const
{
    for (int index : {email1, email2, email3}) {
        if (const auto& address = field(index); !address.empty())
            return address;
    }
    return empty_text;
}

}

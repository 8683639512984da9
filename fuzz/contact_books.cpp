// Any bytes as a vCard, LDIF and CSV book (the first byte picks the reader): every field of
// every card is valid UTF-8 and within the line limit, the card count within its limit, and
// a skipped part names a line of the input.
#include "broadcast/contacts/contact_card.h"
#include "core/util/utf8.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    using namespace broadcast::contacts;
    const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    read_limits limits;
    limits.max_cards = 50;
    limits.max_line_bytes = 512;
    read_result result;
    switch (data[0] % 3) {
    case 0:
        result = read_vcards(bytes, limits);
        break;
    case 1:
        result = read_ldif(bytes, limits);
        break;
    default:
        result = read_contacts_csv(bytes, limits);
        break;
    }
    if (result.cards.size() > limits.max_cards)
        std::abort();
    const std::size_t lines = static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\n'))
        + static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\r')) + 1;
    for (const auto& part : result.skipped) {
        if (part.line == 0 || part.line > lines)
            std::abort();
    }
    for (const auto& card : result.cards) {
        for (int index = 0; index < field_count; ++index) {
            const auto& field = card.field(index);
            if (field != core::sanitize_utf8(field) || field.size() > 4 * limits.max_line_bytes)
                std::abort();
        }
    }
    return 0;
}

// What every address-book reader promises of any bytes: the cards within their limit, every
// field valid UTF-8 within the line limit, and each skipped part on a line of the input.
#pragma once

#include "broadcast/contacts/contact_card.h"
#include "core/util/utf8.h"

#include <algorithm>
#include <cstdlib>
#include <string_view>

inline broadcast::contacts::read_limits fuzzed_book_limits()
{
    broadcast::contacts::read_limits limits;
    limits.max_cards = 50;
    limits.max_line_bytes = 512;
    return limits;
}

inline void check_book(std::string_view bytes, const broadcast::contacts::read_result& result,
    const broadcast::contacts::read_limits& limits)
{
    if (result.cards.size() > limits.max_cards)
        std::abort();
    const std::size_t lines = static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\n'))
        + static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\r')) + 1;
    for (const auto& part : result.skipped) {
        if (part.line == 0 || part.line > lines)
            std::abort();
    }
    for (const auto& card : result.cards) {
        for (int index = 0; index < broadcast::contacts::field_count; ++index) {
            const auto field = card.field(index);
            if (field != core::sanitize_utf8(field) || field.size() > 4 * limits.max_line_bytes)
                std::abort();
        }
    }
}

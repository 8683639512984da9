#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace conversion {

// What the linked-item reader found of one managed object. Attribute values are as written.
struct linked_item_info {
    bool stop = false;                        // the end marker was met
    std::size_t start_position = 0;           // the object's start marker in the text
    std::optional<std::size_t> end_position;  // just after the end marker
    int element_count = 0;                    // IMG and A start tags met
    std::string align, border, hspace, vspace, src, alt;
    std::string href;                         // without a leading "mailto:"
    std::string style;
    std::string text;                         // the visible text, decoded
    std::string text_body_alt;
    bool replace = false;                     // a replace comment was met: no more text taken
    int object_kind = 7;
    std::int32_t object_number = 0;

    // Empties everything but the start position.
    void reset();
};

// Reads the object that starts at info.start_position: its IMG and A attributes, its text and
// where its end marker is. Returns the end position, the text's length when there is no end
// marker, or 0 for an empty text. Nested links are read in one loop, however deep.
std::size_t read_linked_item(linked_item_info& info, std::string_view text);

}

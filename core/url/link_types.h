#pragma once

#include <array>
#include <string>
#include <string_view>

namespace core {

// The prefixes a link may begin with, in table order; compared without regard to case.
inline constexpr std::array<std::string_view, 9> link_prefix_table {
    "file://", "ftp://", "gopher://", "http://", "https://", "mailto:", "news:", "telnet:", "wais:"};

struct link_prefix {
    std::string_view text; // the table's entry; empty for none
    int index = -1;
};

// The table entry the text begins with (case ignored), or none.
link_prefix link_prefix_of(std::string_view text);

// The destination for a new link type (a type word such as "http:" or "(other)"): the
// table prefix it begins with is taken off and the type's prefix put in front; "(other)"
// gives none, and every type but "mailto:", "news:", "telnet:" and "wais:" takes "//".
// A destination whose scheme is not in the table (a drive path, say) is kept whole.
std::string switch_link_type(std::string_view destination, std::string_view type);

}

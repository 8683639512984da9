#include "core/url/link_types.h"

#include "core/markup/ascii.h"

namespace core {

link_prefix link_prefix_of(std::string_view text)
{
    for (std::size_t index = 0; index < link_prefix_table.size(); ++index) {
        if (starts_with_ignoring_case(text, link_prefix_table[index]))
            return {link_prefix_table[index], static_cast<int>(index)};
    }
    return {};
}

std::string switch_link_type(std::string_view destination, std::string_view type)
{
    std::string prefix;
    const auto lower_type = ascii_lowercase(type);
    if (lower_type != "(other)") {
        prefix = type;
        if (lower_type != "mailto:" && lower_type != "news:" && lower_type != "telnet:" && lower_type != "wais:")
            prefix += "//";
    }
    destination.remove_prefix(link_prefix_of(destination).text.size());
    return prefix + std::string(destination);
}

}

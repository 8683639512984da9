#include "core/vocab/object_kinds.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace core {

object_kind object_kind_from_name(std::string_view word)
{
    for (std::size_t kind = 0; kind < object_kind_words.size() - 1; ++kind) {
        const std::string_view stem = object_kind_words[kind];
        if (stem.size() == word.size()
            && std::equal(stem.begin(), stem.end(), word.begin(), [](char a, char b) {
                   return a == std::tolower(static_cast<unsigned char>(b));
               }))
            return static_cast<object_kind>(kind);
    }
    return unknown;
}

object_id parse_object_id(std::string_view value)
{
    const auto digit = std::find_if(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; });
    if (digit == value.end())
        return {};
    const std::string_view word(value.data(), static_cast<std::size_t>(digit - value.begin()));
    int number = 0;
    const char* first = value.data() + word.size();
    const auto [end, error] = std::from_chars(first, value.data() + value.size(), number);
    (void)end;
    if (error != std::errc())
        return {};
    return {object_kind_from_name(word), number};
}

}

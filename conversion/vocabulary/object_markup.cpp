#include "conversion/vocabulary/object_markup.h"

#include "conversion/vocabulary/vocabulary_texts.h"
#include "core/markup/html_tag.h"

namespace conversion {

std::string wrap_object_markup(std::string_view markup)
{
    std::string wrapped;
    wrapped.reserve(markup.size() + object_start_word.size() + object_end_word.size() + 14);
    wrapped += "<!--";
    wrapped += object_start_word;
    wrapped += "-->";
    wrapped += markup;
    wrapped += "<!--";
    wrapped += object_end_word;
    wrapped += "-->";
    return wrapped;
}

std::string find_flash_movie(std::string_view text, std::size_t position)
{
    core::CHTMLTag tag;
    std::string value;
    while (position < text.size()) {
        core::SkipToNextTag(text, position, std::string_view::npos);
        if (position >= text.size())
            break;
        const std::size_t after = tag.Parse(text, position);
        position = after > position ? after : position + 1;
        const auto& name = tag.GetName();
        if (core::equal_ignoring_case(name, "/object"))
            return {};
        if (!core::equal_ignoring_case(name, "param"))
            continue;
        tag.GetAttributes().GetValue("name", value);
        if (core::equal_ignoring_case(value, "Movie") || core::equal_ignoring_case(value, "Src")) {
            tag.GetAttributes().GetValue("value", value);
            return value;
        }
    }
    return {};
}

}

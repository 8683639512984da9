#pragma once

#include "core/markup/markup_parser.h"

#include <string>
#include <string_view>
#include <vector>

namespace vocabulary_testing {

// The start and empty tags of a page as the tokenizer reads them back.
class tag_collector : public hevtools::markup::null_parser_callback {
public:
    std::vector<core::markup_tag> tags;

    bool on_empty_tag(core::markup_tag& tag, std::size_t) override { return keep(tag); }
    bool on_start_tag(core::markup_tag& tag, std::size_t) override { return keep(tag); }

private:
    bool keep(const core::markup_tag& tag)
    {
        tags.push_back(tag);
        return true;
    }
};

inline std::vector<core::markup_tag> tags_of(std::string_view page)
{
    tag_collector collector;
    core::markup_parser parser(true);
    core::run_markup_parser(collector, page.data(), page.data() + page.size(), hevtools::markup::html::html_dtd(), parser);
    return collector.tags;
}

// The names of a tag's attributes, in the tokenizer's order.
inline std::vector<std::string> attribute_names(const core::markup_tag& tag)
{
    std::vector<std::string> names;
    for (const auto& [key, value] : tag.attributes)
        names.push_back(key.name);
    return names;
}

}

// A click-to number (first four bytes) and any bytes as its address: the page's base name is
// one path component of at most 38 bytes (43 with ".html"); the page, read back by the
// tokenizer, holds exactly one META, with two attributes, whose content carries no quote, "<"
// or ">".
#include "conversion/objects/clickto_page.h"
#include "core/markup/markup_parser.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace {

using hevtools::markup::html::el;
using hevtools::markup::html::is;

class page_checker : public hevtools::markup::null_parser_callback {
public:
    int metas = 0;

    bool on_empty_tag(core::markup_tag& tag, std::size_t) override { return check(tag); }
    bool on_start_tag(core::markup_tag& tag, std::size_t) override { return check(tag); }

private:
    bool check(const core::markup_tag& tag)
    {
        if (!is(tag, el::META))
            return true;
        ++metas;
        if (tag.attributes.size() != 2)
            std::abort();
        for (const auto& [key, value] : tag.attributes) {
            // Values are kept as written, in their quotes.
            std::string_view content(value);
            if (content.size() >= 2 && content.front() == '"' && content.back() == '"')
                content = content.substr(1, content.size() - 2);
            if (key.name == "content" && content.find_first_of("\"<>") != std::string::npos)
                std::abort();
        }
        return true;
    }
};

}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::int32_t number = 0;
    if (size >= sizeof number) {
        std::memcpy(&number, data, sizeof number);
        data += sizeof number;
        size -= sizeof number;
    }
    const std::string_view address(reinterpret_cast<const char*>(data), size);

    const auto base = conversion::clickto_base_name(address, number);
    const bool control = base.find_first_of(std::string_view("\0\r\n\t", 4)) != std::string::npos;
    if (base.empty() || base.size() > 38 || base == "." || base == ".." || base.find_first_of("/\\") != std::string::npos
        || control)
        std::abort();

    const auto page = conversion::clickto_page_text(address, {1, "Please wait for page", "to load..."});
    page_checker checker;
    core::markup_parser parser(true);
    core::run_markup_parser(checker, page.data(), page.data() + page.size(), hevtools::markup::html::html_dtd(), parser);
    if (checker.metas != 1)
        std::abort();
    return 0;
}

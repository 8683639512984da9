// Any bytes through the view's text rewriters, in the order the plain-text body takes them:
// every pass ends, and text without markup ("<" or "&") comes through each pass unchanged.
#include "conversion/view_text/text_rewriters.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

class one_of_each : public conversion::object_text_lookup {
public:
    std::optional<pull_file> find_pull_file(int number) const override
    {
        return number % 2 ? std::optional<pull_file>({"file<1>.pdf", number % 3 ? "" : "text"}) : std::nullopt;
    }
    std::optional<std::string> find_clickto_text(int number) const override
    {
        return number % 2 ? std::optional<std::string>("call & see") : std::nullopt;
    }
};

}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);
    const bool plain = input.find_first_of("<&") == std::string::npos;
    const one_of_each objects;
    std::string text = input;
    const auto check = [&] {
        if (plain && text != input)
            std::abort();
    };
    conversion::replace_objects_with_links(text, size % 2 == 0);
    check();
    conversion::convert_links_to_text(text);
    check();
    conversion::convert_unordered_lists(text);
    conversion::convert_ordered_lists(text);
    check();
    conversion::convert_tables(text);
    check();
    conversion::convert_images_and_mailto_links(text, true, &objects);
    check();
    conversion::decode_inline_markup(text);
    check();
    conversion::remove_tags_named(text, "font");
    check();
    std::string again = input;
    if (!again.empty())
        conversion::convert_table(again, again.size() / 2);
    return 0;
}

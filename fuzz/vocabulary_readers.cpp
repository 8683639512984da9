// Any bytes as a message body through the vocabulary's readers: the linked-item reader and the
// Flash movie lookup end inside the text from every offset (the first 2 KB of offsets), the
// replace-comment refresh ends, and taking the wrapper form out of a page a second time
// changes nothing, unless the page or what the first pass made of it holds a comment opener
// the tokenizer's own rules read as a tag "--" ("<!-->", or "<!--a>" closed at a bare ">"),
// which reads back as text.
#include "conversion/vocabulary/linked_item.h"
#include "conversion/vocabulary/object_markup.h"
#include "conversion/vocabulary/page_forms.h"
#include "conversion/vocabulary/replace_comments.h"
#include "fuzz/odd_comments.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    for (std::size_t offset = 0; offset <= std::min<std::size_t>(size, 2048); ++offset) {
        conversion::linked_item_info info;
        info.start_position = offset;
        const auto end = conversion::read_linked_item(info, text);
        if (end > size || (info.end_position && (*info.end_position > size || *info.end_position != end)))
            std::abort();
        if (info.stop != info.end_position.has_value())
            std::abort();
        const auto movie = conversion::find_flash_movie(text, offset);
        if (movie.size() > size)
            std::abort();
    }

    std::string body(text);
    conversion::refreshReplaceComments(body, std::nullopt);

    std::string page(text);
    conversion::read_page_forms(page);
    const std::string once = page;
    if (has_odd_comment(text) || has_odd_comment(once))
        return 0;
    if (conversion::read_page_forms(page) || page != once)
        std::abort();
    return 0;
}

// Any bytes as "HTML Format" text, the first byte choosing how long the new fragment is:
// offsets that read lie in range; a replace that succeeds gives text whose fragment is
// exactly the new one; a refused replace leaves the text as it was.
#include "html/clipboard.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::string input(reinterpret_cast<const char*>(data) + 1, size - 1);
    std::size_t start = 0;
    std::size_t end = 0;
    if (html::parse_fragment_offsets(input, start, end) && !(0 < start && start <= end && end <= input.size()))
        std::abort();
    const std::string fragment(data[0] * 7u, 'n');
    std::string text = input;
    if (html::replace_fragment(text, fragment)) {
        std::string back;
        if (!html::extract_fragment(text, back) || back != fragment)
            std::abort();
    } else if (text != input) {
        std::abort();
    }
    std::string made;
    if (!html::extract_fragment(html::make_html_format(input), made) || made != input)
        std::abort();
    return 0;
}

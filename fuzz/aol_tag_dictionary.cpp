// Any bytes as a tag list: the lines are proper (no line end inside, none empty or a comment,
// at most 511 bytes, inside the input) and every loaded tag is found by its own name.
#include "conversion/aol_tag_dictionary.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const char* bytes = reinterpret_cast<const char*>(data);
    const auto lines = conversion::split_dictionary_lines({bytes, size});
    for (std::string_view line : lines) {
        if (line.empty() || line.front() == ';' || line.size() > conversion::dictionary_line_limit
            || line.find_first_of("\r\n") != std::string_view::npos || line.data() < bytes
            || line.data() + line.size() > bytes + size)
            std::abort();
    }
    conversion::CDictionary dictionary;
    dictionary.Load(lines);
    if (dictionary.entries().size() != lines.size())
        std::abort();
    for (const auto& entry : dictionary.entries())
        if (!dictionary.Find(entry.GetName()) || !dictionary.Find(entry))
            std::abort();
    dictionary.Find("b");
    dictionary.Find("/B");
    return 0;
}

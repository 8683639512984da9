// Any bytes as a DTD file, then lookups and the replacement of unknown entity references.
// Every call ends, and the replacement changes nothing but whole unknown references, each
// into one space.
#include "core/markup/dtd_strict.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

bool is_alpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_hex(char c) { return is_digit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

// The end of a reference "&name;", "&#digits;" or "&#xhex;" starting at `at`, or 0.
std::size_t reference_end(std::string_view text, std::size_t at)
{
    std::size_t i = at + 1;
    if (i < text.size() && text[i] == '#') {
        ++i;
        const bool hex = i < text.size() && (text[i] == 'x' || text[i] == 'X');
        i += hex;
        const std::size_t first = i;
        while (i < text.size() && (hex ? is_hex(text[i]) : is_digit(text[i])))
            ++i;
        if (i == first)
            return 0;
    } else {
        if (i >= text.size() || !is_alpha(text[i]))
            return 0;
        while (i < text.size() && (is_alpha(text[i]) || is_digit(text[i])))
            ++i;
    }
    return i < text.size() && text[i] == ';' ? i + 1 : 0;
}

}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    core::CDTDStrict dtd;
    dtd.LoadText(bytes);
    for (std::string_view name : {"B", "/table", "!DOCTYPE", "X", "%a;", ""})
        (void)dtd.IsKnownElement(name);
    for (const auto& declaration : dtd.element_declarations())
        (void)dtd.IsKnownElement(declaration.GetElementName());

    std::string text(bytes);
    dtd.ReplaceUnknownEntities(text);
    std::size_t i = 0, j = 0;
    while (i < bytes.size()) {
        if (j >= text.size())
            std::abort();
        if (bytes[i] == '&' && text[j] == ' ') {
            const std::size_t end = reference_end(bytes, i);
            if (end == 0 || dtd.IsKnownEntity(bytes.substr(i, end - i)))
                std::abort();
            i = end;
            ++j;
            continue;
        }
        if (bytes[i] != text[j])
            std::abort();
        if (bytes[i] == '&') {
            const std::size_t end = reference_end(bytes, i);
            if (end != 0 && !dtd.IsKnownEntity(bytes.substr(i, end - i)))
                std::abort();
        }
        ++i;
        ++j;
    }
    if (j != text.size())
        std::abort();
    return 0;
}

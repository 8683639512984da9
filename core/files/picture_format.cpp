#include "core/files/picture_format.h"

#include "core/markup/ascii.h"

namespace core {

namespace {

bool starts_with(std::string_view text, std::string_view prefix)
{
    return text.substr(0, prefix.size()) == prefix;
}

bool is_blank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string_view skip_blanks(std::string_view text)
{
    std::size_t at = 0;
    while (at < text.size() && is_blank(text[at]))
        ++at;
    return text.substr(at);
}

// Past "<!--...-->", "<?...?>" and "<!...>" prologue items; empty when one is unterminated.
std::string_view skip_item(std::string_view text, std::string_view close, std::size_t open_size)
{
    const auto end = text.find(close, open_size);
    if (end == std::string_view::npos)
        return {};
    return text.substr(end + close.size());
}

bool is_svg(std::string_view head)
{
    head = head.substr(0, picture_format_head_size);
    if (starts_with(head, "\xEF\xBB\xBF"))
        head.remove_prefix(3);
    // The prologue of an XML document: blanks, an XML declaration, processing instructions,
    // comments and a DOCTYPE, in any order; then the root element must be svg.
    for (;;) {
        head = skip_blanks(head);
        if (starts_with(head, "<?"))
            head = skip_item(head, "?>", 2);
        else if (starts_with(head, "<!--"))
            head = skip_item(head, "-->", 4);
        else if (starts_with(head, "<!"))
            head = skip_item(head, ">", 2);
        else
            break;
    }
    if (head.size() < 5 || head[0] != '<')
        return false;
    std::string name;
    for (std::size_t at = 1; at < 4; ++at)
        name += ascii_lower(head[at]);
    const char after = head[4];
    return name == "svg" && (is_blank(after) || after == '>' || after == '/');
}

}

picture_kind picture_format(std::string_view head)
{
    if (starts_with(head, "GIF87a") || starts_with(head, "GIF89a"))
        return picture_kind::gif;
    if (starts_with(head, "\x89PNG\r\n\x1A\n"))
        return picture_kind::png;
    if (starts_with(head, "\xFF\xD8\xFF"))
        return picture_kind::jpeg;
    if (starts_with(head, "BM") && head.size() >= 14)
        return picture_kind::bmp;
    if (head.size() >= 6 && starts_with(head, std::string_view("\0\0\1\0", 4)) && (head[4] != 0 || head[5] != 0))
        return picture_kind::ico;
    if (starts_with(head, std::string_view("II*\0", 4)) || starts_with(head, std::string_view("MM\0*", 4)))
        return picture_kind::tiff;
    if (head.size() >= 12 && starts_with(head, "RIFF") && head.substr(8, 4) == "WEBP")
        return picture_kind::webp;
    if (is_svg(head))
        return picture_kind::svg;
    return picture_kind::none;
}

}

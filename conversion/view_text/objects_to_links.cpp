#include "conversion/view_text/find_text.h"
#include "conversion/view_text/text_rewriters.h"
#include "conversion/vocabulary/object_markup.h"
#include "core/markup/escape.h"
#include "core/markup/html_tag.h"

namespace conversion {

void replace_objects_with_links(std::string& text, bool with_links)
{
    std::string out;
    out.reserve(text.size());
    std::size_t from = 0;
    for (std::size_t at = find_text(text, "<object "); at != std::string::npos; at = find_text(text, "<object ", from)) {
        core::CHTMLTag tag;
        const std::size_t after = tag.Parse(text, at);
        const std::size_t end_tag = find_text(text, "</object", after);
        if (end_tag == std::string::npos)
            break;
        const std::size_t close = text.find('>', end_tag);
        if (close == std::string::npos)
            break;
        out.append(text, from, at - from);
        from = close + 1;
        if (!with_links)
            continue;
        std::string id;
        tag.GetAttributes().GetValue("quorbis_id", id);
        const std::string movie = find_flash_movie(std::string_view(text).substr(0, end_tag + 1), after);
        const std::string address = core::escape_attribute_value(movie);
        out += "<a quorbis_id=\"" + core::escape_attribute_value(id) + "\" href=\"" + address + "\">"
            + core::escape_text(movie) + "</a>&nbsp;";
    }
    out.append(text, from);
    text = std::move(out);
}

}

#include "conversion/view_text/find_text.h"
#include "conversion/view_text/text_rewriters.h"
#include "core/markup/ascii.h"
#include "core/markup/escape.h"
#include "core/markup/html_tag.h"
#include "core/vocab/object_kinds.h"

#include <algorithm>

namespace conversion {

namespace {

using core::escape_mode;

// The tag text from `at` and the position behind it (npos when it has no end).
std::size_t tag_end(std::string_view text, std::size_t at)
{
    const std::size_t gt = text.find('>', at);
    return gt == std::string_view::npos ? gt : gt + 1;
}

// The visible text of a mail-to link: its text and address; the address alone when the text
// is empty or already the address.
std::string mail_link_text(std::string_view inner, std::string_view address)
{
    const std::string shown(trim_blanks(replace_text(inner, "&nbsp;", " ")));
    const std::string written = core::escape_text(address);
    if (shown.empty() || core::equal_ignoring_case(shown, written))
        return written;
    return shown + " (" + written + ")";
}

// The next mail-to anchor in either spelling.
std::size_t find_mail_anchor(std::string_view text, std::size_t from)
{
    return std::min(find_text(text, "<A href=\"mailto:", from), find_text(text, "<A href=mailto:", from));
}

void convert_mail_links(std::string& text)
{
    std::string out;
    out.reserve(text.size());
    std::size_t from = 0;
    for (std::size_t at = find_mail_anchor(text, 0); at != std::string::npos; at = find_mail_anchor(text, from)) {
        core::CHTMLTag tag;
        const std::size_t after = tag.Parse(text, at);
        const std::size_t end = find_text(text, "</A>", after);
        if (end == std::string::npos)
            break;
        std::string href;
        tag.GetAttributes().GetValue("href", href);
        out.append(text, from, at - from);
        if (core::starts_with_ignoring_case(href, "mailto:"))
            out += mail_link_text(std::string_view(text).substr(after, end - after), std::string_view(href).substr(7));
        else
            out.append(text, at, end + 4 - at);
        from = end + 4;
    }
    out.append(text, from);
    text = std::move(out);
}

}

std::string image_to_text(std::string_view tag_text, bool object_texts, const object_text_lookup* objects)
{
    core::CHTMLTag tag;
    tag.Parse(tag_text, 0);
    std::string alt;
    std::string id;
    tag.GetAttributes().GetValue("alt", alt);
    tag.GetAttributes().GetValue("quorbis_id", id);
    if (!object_texts)
        return core::escape_text(alt);
    if (!objects)
        return {};
    const core::object_id object = core::parse_object_id(id);
    if (object.kind == core::pullfile) {
        const auto pull = objects->find_pull_file(object.number);
        if (pull && (!alt.empty() || pull->link_text.empty()))
            return "Pull File \"" + core::escape_text(pull->name, escape_mode::exact) + "\":";
        return {};
    }
    if (object.kind == core::clickto) {
        const auto clickto = objects->find_clickto_text(object.number);
        if (!clickto)
            return {};
        return core::escape_text(*clickto, escape_mode::exact) + (alt.empty() ? "" : ":");
    }
    return {};
}

void convert_images_and_mailto_links(std::string& text, bool object_texts, const object_text_lookup* objects)
{
    std::string out;
    out.reserve(text.size());
    std::size_t from = 0;
    for (std::size_t at = find_text(text, "<img "); at != std::string::npos; at = find_text(text, "<img ", from)) {
        const std::size_t end = tag_end(text, at);
        if (end == std::string::npos)
            break;
        out.append(text, from, at - from);
        out += image_to_text(std::string_view(text).substr(at, end - at), object_texts, objects);
        from = end;
    }
    out.append(text, from);
    convert_mail_links(out);
    text = replace_text(out, "&nbsp;", " ");
}

void convert_links_to_text(std::string& text)
{
    std::string out;
    out.reserve(text.size());
    std::size_t from = 0;
    for (std::size_t at = find_text(text, "<a "); at != std::string::npos; at = find_text(text, "<a ", from)) {
        const std::size_t end = find_text(text, "</a>", at);
        if (end == std::string::npos)
            break;
        core::CHTMLTag tag;
        const std::size_t after = tag.Parse(text, at);
        out.append(text, from, at - from);
        from = end + 4;
        std::string shown = after <= end ? text.substr(after, end - after) : std::string();
        decode_inline_markup(shown);
        convert_images_and_mailto_links(shown, false, nullptr);
        if (after > end || !trim_blanks(shown).empty()) {
            out.append(text, at, from - at);
            continue;
        }
        std::string href;
        tag.GetAttributes().GetValue("href", href);
        out.append(text, at, after - at);
        out += core::escape_text(href);
        out.append(text, end, 4);
    }
    out.append(text, from);
    text = std::move(out);
}

}

#include "conversion/vocabulary/linked_item.h"

#include "conversion/vocabulary/vocabulary_texts.h"
#include "core/files/file_text.h"
#include "core/markup/ascii.h"
#include "core/markup/html_tag.h"
#include "core/url/url_text.h"
#include "core/vocab/object_kinds.h"

namespace conversion {

namespace {

constexpr std::string_view mailto_prefix = "mailto:";

void take_object_id(const core::CTagAttributes& attributes, linked_item_info& info)
{
    std::string id;
    if (attributes.GetValue(quorbis_id_attribute, id))
        core::parse_object_id(id, info.object_number, info.object_kind);
}

void take_picture(const core::CTagAttributes& attributes, linked_item_info& info)
{
    ++info.element_count;
    take_object_id(attributes, info);
    attributes.GetValue("ALIGN", info.align);
    attributes.GetValue("SRC", info.src);
    attributes.GetValue("ALT", info.alt);
    attributes.GetValue("BORDER", info.border);
    attributes.GetValue("HSPACE", info.hspace);
    attributes.GetValue("VSPACE", info.vspace);
    attributes.GetValue(text_body_alt_attribute, info.text_body_alt);
}

void take_link(core::CTagAttributes& attributes, linked_item_info& info)
{
    ++info.element_count;
    take_object_id(attributes, info);
    attributes.GetValue(text_body_alt_attribute, info.text_body_alt);
    attributes.GetValue("style", info.style);
    attributes.DecodeLocalLinks();
    attributes.GetValue("HREF", info.href);
    if (core::starts_with_ignoring_case(info.href, mailto_prefix))
        info.href.erase(0, mailto_prefix.size());
}

// The comment's text as the tag model keeps it.
std::string_view comment_text(const core::CHTMLTag& tag)
{
    const auto& items = tag.GetAttributes().items();
    return items.empty() ? std::string_view() : std::string_view(items.front().name);
}

}

void linked_item_info::reset()
{
    const auto start = start_position;
    *this = linked_item_info();
    start_position = start;
}

std::size_t read_linked_item(linked_item_info& info, std::string_view text)
{
    info.reset();
    if (text.empty())
        return 0;
    core::CHTMLTag tag;
    int open_links = 0;
    std::size_t position = info.start_position;
    while (position < text.size()) {
        if (text[position] != '<') {
            const auto run = core::GetTextToNextTag(text, position);
            if (info.replace)
                continue;
            auto decoded = core::DecodeEntitiesAndEscapes(run);
            if (open_links > 0)
                core::cstring_replace_all(decoded, "\r\n", " ");
            info.text += decoded;
            continue;
        }
        const std::size_t tag_start = position;
        const std::size_t after = tag.Parse(text, position);
        position = after > position ? after : position + 1;
        const auto& name = tag.GetName();
        if (name == "!--") {
            const auto comment = comment_text(tag);
            if (comment.find(object_start_word) != std::string_view::npos) {
                info.start_position = tag_start;
            } else if (comment.find(object_end_word) != std::string_view::npos) {
                info.end_position = position;
                info.stop = true;
                return position;
            } else if (comment.find(replace_word) != std::string_view::npos) {
                info.replace = true;
            }
        } else if (core::equal_ignoring_case(name, "IMG")) {
            take_picture(tag.GetAttributes(), info);
        } else if (core::equal_ignoring_case(name, "A")) {
            take_link(tag.GetAttributes(), info);
            ++open_links;
        } else if (core::equal_ignoring_case(name, "/A")) {
            if (open_links > 0)
                --open_links;
        } else {
            take_object_id(tag.GetAttributes(), info);
        }
    }
    return text.size();
}

}

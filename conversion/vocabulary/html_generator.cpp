#include "conversion/vocabulary/html_generator.h"

#include "conversion/vocabulary/replace_comments.h"
#include "conversion/vocabulary/vocabulary_texts.h"
#include "core/files/file_path.h"
#include "core/log/trace_log.h"
#include "core/markup/ascii.h"
#include "core/markup/escape.h"
#include "core/vocab/object_kinds.h"

namespace conversion {

namespace {

constexpr std::string_view mailto_prefix = "mailto:";

// ` name="value"` with the value escaped.
void append_pair(std::string& out, std::string_view name, std::string_view value)
{
    out += ' ';
    out += name;
    out += "=\"";
    out += core::escape_attribute_value(value);
    out += '"';
}

// The call with its arguments, as a diagnostic written while tracing.
std::string linked_item_diagnostic(std::string_view href, std::string_view image, std::string_view alt,
    std::string_view text, std::string_view id)
{
    const auto quoted = [](std::string_view value) { return value.empty() ? std::string("NULL") : "\"" + std::string(value) + "\""; };
    return "produceLinkedItem(\n\t" + quoted(href) + ", \n\t" + quoted(image) + ", \n\t" + quoted(alt) + ", \n\t"
        + quoted(text) + ", \n\t" + quoted(id) + ") ;\n\n";
}

}

std::string html_generator::produceClicktoItem(const shell::clickto_record& record, std::string_view colour,
    std::int32_t number, bool alternative_text, std::string_view border, core::object_name_counters& counters) const
{
    std::string_view text = record.picture.alternate_text;
    if (text.empty() && record.picture.source.empty())
        text = record.target;
    const auto id = core::make_object_name(counters, core::clickto, number);
    return produceLinkedItem(record.file.source, colour, record.picture.source, record.picture.alternate_text, text, id,
        alternative_text, border);
}

std::string html_generator::producePullfileItem(const shell::pullfile_record& record, std::string_view colour,
    std::int32_t number, bool alternative_text, std::string_view border, core::object_name_counters& counters) const
{
    const std::string_view title = record.picture.alternate_text.empty() ? std::string_view(record.file.title)
                                                                          : std::string_view(record.picture.alternate_text);
    const auto id = core::make_object_name(counters, core::pullfile, number);
    auto item = produceLinkedItem(record.file.source, colour, record.picture.source, record.picture.alternate_text,
        title, id, alternative_text, border);
    if (record.show_size) {
        const auto comment = produce_pull_size_comment(record.file.title, record.file.source);
        if (!comment.empty() && !item.empty())
            item += "&nbsp;";
        item += comment;
    }
    return item;
}

std::string html_generator::producePictureItem(const shell::picture_record& record, std::string_view,
    std::int32_t number, bool alternative_text, std::string_view border, core::object_name_counters& counters) const
{
    const auto id = core::make_object_name(counters, core::picture, number);
    return produceLinkedItem({}, {}, record.source, record.alternate_text, record.alternate_text, id, alternative_text,
        border);
}

std::string html_generator::produceReplaceComment(std::string_view shown, std::string_view kept) const
{
    return conversion::produceReplaceComment(shown, kept);
}

void html_generator::refreshReplaceComments(std::string& body, const std::optional<std::string>& pull_folder) const
{
    conversion::refreshReplaceComments(body, pull_folder);
}

std::string default_html_generator::produceLinkedItem(std::string_view href, std::string_view colour,
    std::string_view image, std::string_view alt, std::string_view text, std::string_view id, bool alternative_text,
    std::string_view border) const
{
    if (core::tracing())
        core::dump_to_temp_file(linked_item_diagnostic(href, image, alt, text, id));

    std::string out;
    if (!href.empty()) {
        out += "<a href=\"";
        out += core::escape_attribute_value(href);
        out += '"';
        if (!id.empty())
            append_pair(out, quorbis_id_attribute, id);
        if (alternative_text)
            append_pair(out, text_body_alt_attribute, text);
        if (!colour.empty()) {
            out += " style=\"color: ";
            out += core::escape_attribute_value(colour);
            out += '"';
        }
        out += '>';
    }
    if (!image.empty()) {
        out += "<img src=\"";
        out += core::escape_attribute_value(image);
        out += "\" border=\"";
        out += core::escape_attribute_value(border);
        out += "\" ";
        append_pair(out, "alt", alt);
        if (!id.empty())
            append_pair(out, quorbis_id_attribute, id);
        if (alternative_text)
            append_pair(out, text_body_alt_attribute, text);
        out += '>';
    }
    if (!text.empty()) {
        out += core::escape_text(text);
    } else if (image.empty() && !href.empty()) {
        std::string_view shown = href;
        if (core::starts_with_ignoring_case(shown, mailto_prefix))
            shown.remove_prefix(mailto_prefix.size());
        out += core::escape_text(shown);
    }
    if (!href.empty())
        out += "</a>";
    return out;
}

const html_generator& get_default_html_generator()
{
    static const default_html_generator generator;
    return generator;
}

}

#include "core/markup/link_analyzer.h"

#include "core/markup/copying_callback.h"
#include "core/markup/html_tag.h"
#include "core/markup/object_kinds.h"

namespace core {

namespace {

bool is_anchor_name(const std::string& name) { return name == "A" || name == "a"; }

}

bool link_analyzer::on_start_tag(markup_tag& tag, std::size_t)
{
    just_closed_ = false;
    if (is_anchor_name(tag.name)) {
        inside_anchor_ = true;
        // The tag's own "<", not a length of its re-written form: odd spacing, empty values or
        // duplicate attributes would otherwise move the cut.
        anchor_start_ = tag.start;
        CTagAttributes attributes;
        attributes.ParseText(markup_tag_to_text(tag));
        attributes.GetValue("quorbis_id", anchor_id_);
    }
    return true;
}

bool link_analyzer::on_end_tag(markup_tag& tag, std::size_t position)
{
    just_closed_ = false;
    if (is_anchor_name(tag.name) && inside_anchor_ && !anchor_id_.empty()) {
        spans_.push_back({anchor_start_, position + 1, anchor_id_});
        just_closed_ = true;
    } else if (tag.name == "!") {
        spans_.push_back({tag.start, position + 1, {}});
    }
    inside_anchor_ = false;
    return true;
}

bool link_analyzer::on_comment(std::string&, std::size_t position)
{
    if (just_closed_)
        spans_.back().end = position + 1;
    just_closed_ = false;
    return true;
}

bool link_analyzer::on_empty_tag(markup_tag&, std::size_t)
{
    inside_anchor_ = false;
    just_closed_ = false;
    return true;
}

bool link_analyzer::on_text(std::string&, bool, std::size_t)
{
    inside_anchor_ = false;
    just_closed_ = false;
    return true;
}

bool link_analyzer::on_error(int, std::size_t, int&)
{
    return true;
}

void strip_object_markers(std::string& body, int document_kind, marker_dictionary& dictionary)
{
    link_analyzer analyzer;
    markup_parser parser(false);
    run_markup_parser(analyzer, body.data(), body.data() + body.size(), hevtools::markup::html::html_dtd(), parser);
    if (analyzer.spans().empty())
        return;
    std::string result;
    result.reserve(body.size());
    std::size_t kept_from = 0;
    for (const auto& span : analyzer.spans()) {
        const std::size_t start = std::max(span.start, kept_from);
        const std::size_t end = std::min(span.end, body.size());
        if (start < end) {
            result.append(body, kept_from, start - kept_from);
            kept_from = end;
        }
    }
    result.append(body, kept_from, std::string::npos);
    for (const auto& span : analyzer.spans()) {
        if (span.id.empty())
            continue;
        const object_id id = parse_object_id(span.id);
        if (id.kind == pullfile)
            dictionary.remove_pull_file(document_kind, id.number);
        else if (id.kind == clickto)
            dictionary.remove_click_to(document_kind, id.number);
    }
    body.swap(result);
}

}

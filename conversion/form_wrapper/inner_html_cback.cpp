#include "conversion/form_wrapper/inner_html_cback.h"

#include "conversion/vocabulary/vocabulary_texts.h"
#include "core/log/trace_log.h"
#include "core/markup/escape.h"

namespace conversion {

namespace {

using hevtools::markup::html::el;
using hevtools::markup::html::is;

constexpr std::string_view nbsp = "&nbsp;";

bool is_white(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool nbsp_at(std::string_view text, std::size_t at)
{
    return text.compare(at, nbsp.size(), nbsp) == 0;
}

bool nbsp_ends_at(std::string_view text, std::size_t end)
{
    return end >= nbsp.size() && nbsp_at(text, end - nbsp.size());
}

}

void replace_lone_nbsp(std::string_view text, std::string& out)
{
    std::size_t copied = 0;
    for (std::size_t at = text.find(nbsp); at != std::string_view::npos; at = text.find(nbsp, at + nbsp.size())) {
        const std::size_t after = at + nbsp.size();
        const bool lone = at > 0 && after < text.size() && !is_white(text[at - 1]) && !is_white(text[after])
            && !nbsp_ends_at(text, at) && !nbsp_at(text, after);
        if (!lone)
            continue;
        out.append(text, copied, at - copied);
        out.push_back(' ');
        copied = after;
    }
    out.append(text, copied, std::string_view::npos);
}

inner_html_cback::inner_html_cback(std::string& output, form_wrapper_flags flags, const form_settings& settings)
    : copying_parser_callback(output), flags_(flags), settings_(settings)
{
}

bool inner_html_cback::on_start_tag(core::markup_tag& tag, std::size_t position)
{
    const bool may_open = flags_.wrap && !in_form_;
    if (is(tag, el::BODY) && may_open) {
        copying_parser_callback::on_start_tag(tag, position);
        write_form_wrapper(true);
        return true;
    }
    if (is(tag, el::A)) {
        escaped_.clear();
        for (const auto& [key, value] : tag.attributes) {
            if (value.find('&') != std::string::npos)
                escaped_.emplace_back(key, core::escape_ampersands(value));
        }
        for (auto& [key, value] : escaped_)
            tag.attributes.set(key, std::move(value));
    } else if (is(tag, el::P) && may_open) {
        write_form_wrapper(true);
    }
    return copying_parser_callback::on_start_tag(tag, position);
}

bool inner_html_cback::on_end_tag(core::markup_tag& tag, std::size_t position)
{
    if (flags_.wrap && in_form_ && (is(tag, el::BODY) || is(tag, el::HTML)))
        write_form_wrapper(false);
    return copying_parser_callback::on_end_tag(tag, position);
}

bool inner_html_cback::on_text(std::string& text, bool raw, std::size_t position)
{
    if (raw || text == " " || text.find(nbsp) == std::string::npos)
        return copying_parser_callback::on_text(text, raw, position);
    scratch_.clear();
    replace_lone_nbsp(text, scratch_);
    return copying_parser_callback::on_text(scratch_, false, position);
}

void inner_html_cback::write_form_wrapper(bool open)
{
    in_form_ = open;
    if (!open) {
        write("</form>");
        return;
    }
    std::string start = "<form method=\"POST\" action=\"";
    start += core::escape_attribute_value(form_action_url(settings_, flags_.secure));
    start += "\" name=\"";
    start += wrapper_form_name;
    start += "\" ";
    if (flags_.validation) {
        start += "onsubmit=\"return(";
        start += validation_function;
        start += "());\" ";
    }
    start += '>';
    write(start);
}

void inner_html_cback::finish()
{
    if (in_form_)
        write_form_wrapper(false);
}

std::string copy_page_through_form_wrapper(std::string_view page, form_wrapper_flags flags, const form_settings& settings)
{
    std::string out;
    out.reserve(page.size() + page.size() / 16 + 256);
    inner_html_cback wrapper(out, flags, settings);
    core::markup_parser parser(true);
    core::markup_parse_context context {&wrapper, &hevtools::markup::html::html_dtd(), 0, 0};
    bool stopped = false;
    parser.feed(page.data(), page.data() + page.size(), context, stopped);
    // The tokenizer's states between tags: 0 after a tag, 2 and 3 inside text.
    const int state = parser.state();
    const bool ends_between_tags = state == 0 || state == 2 || state == 3;
    if (!stopped)
        parser.step(-1, context);
    if (ends_between_tags)
        wrapper.finish();
    else if (wrapper.in_form())
        TRACE_LOG("copy_page_through_form_wrapper() -- the page ends inside a tag, a comment or raw text: the wrapper stays open");
    return out;
}

}

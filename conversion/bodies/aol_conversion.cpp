#include "conversion/bodies/aol_conversion.h"

#include "conversion/aol_variables.h"
#include "conversion/bodies/body_error.h"
#include "conversion/detail/parsed_markup.h"
#include "conversion/html_lite_preprocessor.h"
#include "conversion/html_lite_rules.h"
#include "core/files/file_path.h"
#include "core/log/trace_log.h"
#include "core/markup/copying_callback.h"
#include "platform/files/regular_file.h"

#include <fstream>

namespace conversion {

namespace {

using hevtools::markup::html::el;
using hevtools::markup::html::is;

// Bodies larger than this are not messages; refusing them keeps memory bounded.
constexpr std::size_t max_body_bytes = std::size_t(1) << 30;

void flatten_line_breaks(std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            out += ' ';
            ++i;
        } else if (text[i] == '\r' || text[i] == '\n') {
            out += ' ';
        } else {
            out += text[i];
        }
    }
    text.swap(out);
}

}

bool aol_preprocessor::on_start_tag(core::markup_tag& tag, std::size_t position)
{
    if (is(tag, el::TR))
        in_row_ = true;
    return null_parser_callback::on_start_tag(tag, position);
}

bool aol_preprocessor::on_end_tag(core::markup_tag& tag, std::size_t position)
{
    if (is(tag, el::TR))
        in_row_ = false;
    return null_parser_callback::on_end_tag(tag, position);
}

bool aol_preprocessor::on_text(std::string& text, bool raw, std::size_t position)
{
    if (!raw && in_row_ && text.find_first_of("\r\n") != std::string::npos)
        flatten_line_breaks(text);
    return null_parser_callback::on_text(text, raw, position);
}

std::string aol_policy_path()
{
    return core::standard_folder_file_path(1, "aoltag.policy.txt");
}

std::string convert_for_aol(const std::string& html, bool entities, body_passes& passes)
{
    return convert_for_aol(html, entities, passes, aol_policy_path());
}

std::string convert_for_aol(const std::string& html, bool entities, body_passes& passes,
    const std::string& policy_path)
{
    std::string copy = html;
    if (!passes.reparse_html_text_pass(copy)) {
        TRACE_LOG("convert_for_aol() -- the page's text pass failed\n");
        throw body_error("The HTML-lite body could not be made: the page's text pass failed.");
    }
    convert_images_and_mailto_links(copy, true, passes.object_texts());
    convert_links_to_text(copy);
    replace_objects_with_links(copy, true);

    std::string output;
    output.reserve(copy.size() + copy.size() / 8);
    hevtools::markup::copying_parser_callback copier(output, " ");
    html_lite::preprocessor preprocessor(&copier, aol_policy_variables(entities));
    aol_preprocessor filter(&preprocessor);
    std::ifstream policy(policy_path);
    if (policy)
        html_lite::load_rules(preprocessor, policy);
    else
        TRACE_LOG("convert_for_aol() -- no policy in %s: the body passes through\n", policy_path.c_str());
    detail::parse_markup_into(copy, filter);
    copy.swap(output);

    if (!passes.reparse_html_alignment_pass(copy, entities)) {
        TRACE_LOG("convert_for_aol() -- the page's alignment pass failed\n");
        throw body_error("The HTML-lite body could not be made: the page's alignment pass failed.");
    }
    return copy;
}

std::string read_body_file(const std::string& path)
{
    auto file = platform::files::read_regular_file(path, max_body_bytes);
    switch (file.result) {
    case platform::files::regular_file::outcome::read:
        return std::move(file.bytes);
    case platform::files::regular_file::outcome::missing:
        TRACE_LOG("read_body_file() -- %s is missing\n", path.c_str());
        throw body_error("The body file " + path + " is missing.");
    case platform::files::regular_file::outcome::unusable:
        break;
    }
    TRACE_LOG("read_body_file() -- %s %s\n", path.c_str(), file.problem.c_str());
    throw body_error("The body file " + path + " " + file.problem + ".");
}

std::string convert_file_for_aol(const std::string& path, body_passes& passes)
{
    return convert_for_aol(read_body_file(path), true, passes);
}

}

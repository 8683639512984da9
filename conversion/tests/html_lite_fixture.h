#pragma once

#include "conversion/html_lite_preprocessor.h"
#include "core/markup/copying_callback.h"
#include "core/markup/markup_parser.h"
#include "core/testing/trace_capture.h"

#include <sstream>
#include <string>
#include <vector>

namespace html_lite_testing {

using variable_list = html_lite::preprocessor::variable_list;

// Tokenizer (HTML, white space kept) into `receiver`.
inline void tokenize(const std::string& body, hevtools::markup::parser_callback& receiver)
{
    core::markup_parser parser(true);
    core::run_markup_parser(receiver, body.data(), body.data() + body.size(), hevtools::markup::html::html_dtd(), parser);
}

// The body copied by the tokenizer and the copying callback alone.
inline std::string copy_only(const std::string& body, const std::string& indent_unit = {})
{
    std::string out;
    hevtools::markup::copying_parser_callback copy(out, indent_unit);
    tokenize(body, copy);
    return out;
}

// The whole chain: tokenizer -> preprocessor with the policy -> copying callback.
inline std::string convert(const std::string& policy, const std::string& body, const variable_list& variables = {},
    const std::string& indent_unit = {})
{
    std::string out;
    hevtools::markup::copying_parser_callback copy(out, indent_unit);
    html_lite::preprocessor preprocessor(&copy, variables);
    std::istringstream in(policy);
    html_lite::load_rules(preprocessor, in);
    tokenize(body, preprocessor);
    return out;
}

using core::testing::trace_capture;

}

// A policy and a body (split at the first NUL byte): the policy is loaded and the body runs
// through tokenizer -> preprocessor -> copying callback. No crash; with an empty policy the
// chain is exactly the copy.
#include "conversion/aol_variables.h"
#include "conversion/html_lite_preprocessor.h"
#include "core/markup/copying_callback.h"
#include "core/markup/markup_parser.h"

#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

namespace {

void tokenize(const std::string& body, hevtools::markup::parser_callback& receiver)
{
    core::markup_parser parser(true);
    core::run_markup_parser(receiver, body.data(), body.data() + body.size(), hevtools::markup::html::html_dtd(), parser);
}

}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::size_t nul = input.find('\0');
    const std::string policy = input.substr(0, nul);
    const std::string body = nul == std::string::npos ? std::string() : input.substr(nul + 1);

    std::string out;
    hevtools::markup::copying_parser_callback copy(out, " ");
    html_lite::preprocessor preprocessor(&copy, conversion::aol_policy_variables(policy.size() % 2 == 1));
    std::istringstream in(policy);
    html_lite::load_rules(preprocessor, in);
    tokenize(body, preprocessor);

    if (policy.empty()) {
        std::string expected;
        hevtools::markup::copying_parser_callback plain(expected, " ");
        tokenize(body, plain);
        if (out != expected)
            std::abort();
    }
    return 0;
}

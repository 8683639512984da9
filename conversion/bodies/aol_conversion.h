#pragma once

// The HTML-lite body that AOL mail readers show, made from an HTML message body: the page
// loader's text pass, the view's text rewriters, the HTML-lite policy behind a filter that
// flattens line breaks in table rows, and the page loader's alignment pass.

#include "conversion/bodies/body_passes.h"
#include "core/markup/markup_parser.h"

#include <string>

namespace conversion {

// Passes every event on; ordinary text inside a table row loses its line breaks (CR LF to
// one blank, then each CR and LF to a blank). The row flag is a plain flag, not a depth:
// the end of an inner row clears it for the rest of the outer row.
class aol_preprocessor : public hevtools::markup::null_parser_callback {
public:
    explicit aol_preprocessor(hevtools::markup::parser_callback* next, bool error_answer = true)
        : null_parser_callback(next, error_answer)
    {
    }

    bool on_start_tag(core::markup_tag& tag, std::size_t position) override;
    bool on_end_tag(core::markup_tag& tag, std::size_t position) override;
    bool on_text(std::string& text, bool raw, std::size_t position) override;

    bool in_row() const { return in_row_; }

private:
    bool in_row_ = false;
};

// The policy file the conversion reads: "aoltag.policy.txt" in the program's folders.
std::string aol_policy_path();

// The HTML-lite body of an HTML text. `entities` selects the second variable set (entities
// instead of plain characters) and is handed to the alignment pass. A policy file that
// cannot be opened leaves the policy out (traced); a failing page pass throws body_error.
std::string convert_for_aol(const std::string& html, bool entities, body_passes& passes);
std::string convert_for_aol(const std::string& html, bool entities, body_passes& passes,
    const std::string& policy_path);

// convert_for_aol(text of the file, true). A file that is missing or cannot be read throws
// body_error naming it.
std::string convert_file_for_aol(const std::string& path, body_passes& passes);

// The whole regular file at `path`; body_error naming it when it is missing, no regular file
// or cannot be read.
std::string read_body_file(const std::string& path);

}

#pragma once

#include "conversion/form_wrapper/form_settings.h"
#include "core/markup/copying_callback.h"

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace conversion {

struct form_wrapper_flags {
    bool hidden_mode = false;  // the form-registration test's answer, kept for the caller
    bool secure = false;       // post to the secure action address
    bool wrap = false;         // put the body content in the wrapper form
    bool validation = false;   // call the validation function on submit
};

// Copies a page unchanged but for three things: the body content goes into the wrapper form
// that posts to the service's form handler (when wrapping), an "&" in an A attribute that
// begins no character reference becomes "&amp;", and a lone "&nbsp;" between two other
// characters becomes a space.
class inner_html_cback : public hevtools::markup::copying_parser_callback {
public:
    inner_html_cback(std::string& output, form_wrapper_flags flags, const form_settings& settings);

    bool on_start_tag(core::markup_tag& tag, std::size_t position) override;
    bool on_end_tag(core::markup_tag& tag, std::size_t position) override;
    bool on_text(std::string& text, bool raw, std::size_t position) override;

    // Writes the wrapper's start tag (open) or "</form>", and notes whether it is open.
    void write_form_wrapper(bool open);
    // Closes a wrapper the page left open (no BODY or HTML end tag).
    void finish();

    bool in_form() const { return in_form_; }
    bool hidden_mode() const { return flags_.hidden_mode; }

private:
    form_wrapper_flags flags_;
    const form_settings& settings_;
    bool in_form_ = false;
    std::string scratch_;
    std::vector<std::pair<core::attribute_key, std::string>> escaped_;
};

// Appends the text to `out` with each "&nbsp;" that stands alone between two characters that
// are not white space as one space; runs of two or more, and one at either end, stay.
void replace_lone_nbsp(std::string_view text, std::string& out);

// The page through an inner_html_cback, a wrapper left open closed at the end, unless the
// page ends inside a tag, a comment or raw text: "</form>" would be read back as part of it.
std::string copy_page_through_form_wrapper(std::string_view page, form_wrapper_flags flags, const form_settings& settings);

}

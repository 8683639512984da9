#pragma once

#include "core/markup/copying_callback.h"

#include <cstddef>
#include <functional>
#include <iosfwd>
#include <memory>
#include <string>

namespace platform::inet {
class internet;
}
namespace platform::random {
class random_source;
}
namespace platform::registry {
class profile;
}

namespace broadcast::form_site {

// Copies a parsed form page, breaking lines before a piece that would reach the width and
// putting the registration's hidden field before the end tag of every FORM.
class registration_preprocessor : public hevtools::markup::copying_parser_callback {
public:
    static constexpr const char* hidden_field = R"(<INPUT value="2.0" type="hidden" name="FormRegistrationWizard">)";
    static constexpr const char* existing_field = R"(<input type="hidden" name="FormRegistrationWizard" value="2.0">)";

    registration_preprocessor(std::ostream& output, std::size_t width, std::string indent_unit = {});

    bool on_comment(std::string& text, std::size_t position) override;
    bool on_empty_tag(core::markup_tag& tag, std::size_t position) override;
    bool on_start_tag(core::markup_tag& tag, std::size_t position) override;
    bool on_end_tag(core::markup_tag& tag, std::size_t position) override;
    bool on_text(std::string& text, bool raw, std::size_t position) override;
    bool break_and_indent(bool opening) override;

private:
    // Counts a piece about to be written; a line feed first when it would reach the width.
    void advance(std::size_t length);
    bool is_registration_field(const core::markup_tag& tag) const;

    std::size_t width_;
    std::size_t column_ = 0;
    std::size_t indent_unit_length_;
    std::size_t indentation_ = 0;
};

// The page file copied through the preprocessor (width 80); false when it cannot be read.
bool preprocess_registration_page(const std::string& path, std::ostream& output);

// What the validator post needs from its surroundings.
struct validator_services {
    std::shared_ptr<platform::inet::internet> layer;
    platform::random::random_source& random;
    // The exception's own error box (exclamation icon) after the last attempt failed.
    std::function<void(const std::string&)> error_box;
};

// The validation address: "ValidatorURL" of the broadcast settings, else string 143 with
// the gateway host.
std::string validation_address(const platform::registry::profile& settings, const std::string& gateway_host);

// One multipart/form-data POST of a form page to the validation address.
class wizard_validator {
public:
    static constexpr int max_attempts = 5;
    static constexpr int max_resends = 3; // after proxy credentials, per attempt

    wizard_validator(validator_services services, std::string address);

    // The reply page when the post ended with status 200, else empty. After five failed
    // attempts the error box shows and platform::inet::internet_exception is thrown.
    std::string postForm(const std::string& form_file_path);

    // Traces, builds a validator for the address and posts.
    static std::string registerForm(validator_services services, const std::string& address,
        const std::string& form_file_path);

private:
    validator_services services_;
    std::string address_;
};

// The post's body for a page: the part header naming the file, the page and the closing
// delimiter. The path's '"', CR and LF are written %22, %0D and %0A.
std::string validator_body(const std::string& boundary, const std::string& form_file_path, const std::string& page);

}

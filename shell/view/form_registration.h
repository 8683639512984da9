#pragma once

#include <cstdint>
#include <string>

namespace shell {

struct AppContext;
class CTalverinDoc;

// The form site's two exchanges as the registration driver uses them; the program binds
// them to the service, tests to a script.
class FormSite {
public:
    virtual ~FormSite() = default;

    // The registration conversation (hidden registration mode) for the page file: -1 the
    // login failed, 0 refused or failed, 1 registered with a warning, 2 registered; the
    // site's message goes to `message`. Throws std::runtime_error when the site cannot be
    // reached.
    virtual std::int32_t register_form_with_service(const std::string& body_path, const std::string& login,
        const std::string& password, std::string& message) = 0;
    // The validator post of the page file: the reply page, empty when the post failed.
    // Throws std::runtime_error after its last attempt failed, once the user has been told.
    virtual std::string post_to_validator(const std::string& body_path) = 0;
};

// Results of register_form.
inline constexpr int registration_abandoned = 0;
inline constexpr int registered_broadcast_later = 1;
inline constexpr int registered_broadcast_now = 2;

// Registers the web form of the saved message with the service under the active
// configuration's account, as often as the user asks to try again.
int register_form(CTalverinDoc& document, AppContext& context, FormSite& site);

}

#pragma once

#include "platform/inet/internet.h"
#include "platform/library/library_table.h"
#include "platform/random/random_source.h"
#include "shell/view/form_registration.h"

#include <memory>

namespace shell {

// The service's form site: the registration conversation over the program's internet
// binding to the forms server (string 141 on the gateway host), the validator post to the
// validation address ("ValidatorURL" of the broadcast settings, else string 143).
class ServiceFormSite final : public FormSite {
public:
    ServiceFormSite(AppContext& context, std::shared_ptr<platform::inet::internet> internet,
        platform::random::random_source& random);

    // The page file's text goes to the site as the form.
    std::int32_t register_form_with_service(const std::string& body_path, const std::string& login,
        const std::string& password, std::string& message) override;
    std::string post_to_validator(const std::string& body_path) override;

private:
    AppContext& context_;
    std::shared_ptr<platform::inet::internet> internet_;
    platform::random::random_source& random_;
    platform::library::library_table libraries_;
};

}

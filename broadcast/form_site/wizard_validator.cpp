#include "broadcast/form_site/wizard_validator.h"

#include "broadcast/form_site/form_data.h"
#include "core/log/trace_log.h"
#include "core/markup/ascii.h"
#include "core/markup/dtd.h"
#include "core/markup/markup_parser.h"
#include "core/util/strings.h"
#include "platform/inet/inet_constants.h"
#include "platform/inet/internet_session.h"
#include "platform/registry/profile.h"

#include <fstream>
#include <sstream>

namespace broadcast::form_site {

namespace {

using hevtools::markup::html::at;
using hevtools::markup::html::el;
using hevtools::markup::html::is;

constexpr unsigned IDS_VALIDATION_ADDRESS = 143;
const char* const validator_agent = "Veltrane Wizard";

std::string escaped_file_name(const std::string& path)
{
    std::string out;
    for (char c : path) {
        if (c == '"')
            out += "%22";
        else if (c == '\r')
            out += "%0D";
        else if (c == '\n')
            out += "%0A";
        else
            out += c;
    }
    return out;
}

}

// --- preprocessor

registration_preprocessor::registration_preprocessor(std::ostream& output, std::size_t width, std::string indent_unit)
    : copying_parser_callback(output, indent_unit), width_(width), indent_unit_length_(indent_unit.size())
{
}

void registration_preprocessor::advance(std::size_t length)
{
    if (column_ > 0 && column_ + length >= width_) {
        write('\n');
        column_ = length;
    } else {
        column_ += length;
    }
}

bool registration_preprocessor::is_registration_field(const core::markup_tag& tag) const
{
    return is(tag, el::INPUT) && core::equal_ignoring_case(core::unquoted_attribute_value(tag, at::type), "hidden")
        && core::unquoted_attribute_value(tag, at::name) == "FormRegistrationWizard" && core::unquoted_attribute_value(tag, at::value) == "2.0";
}

bool registration_preprocessor::on_comment(std::string& text, std::size_t position)
{
    advance(text.size() + 8);
    return copying_parser_callback::on_comment(text, position);
}

bool registration_preprocessor::on_empty_tag(core::markup_tag& tag, std::size_t position)
{
    if (is_registration_field(tag)) {
        advance(std::char_traits<char>::length(existing_field));
        write(existing_field);
        return true;
    }
    advance(core::markup_tag_to_text(tag).size());
    return copying_parser_callback::on_empty_tag(tag, position);
}

bool registration_preprocessor::on_start_tag(core::markup_tag& tag, std::size_t position)
{
    if (is_registration_field(tag)) {
        advance(std::char_traits<char>::length(existing_field));
        write(existing_field);
        return true;
    }
    advance(core::markup_tag_to_text(tag).size());
    return copying_parser_callback::on_start_tag(tag, position);
}

bool registration_preprocessor::on_end_tag(core::markup_tag& tag, std::size_t position)
{
    if (is(tag, el::FORM)) {
        advance(std::char_traits<char>::length(hidden_field));
        write(hidden_field);
    }
    advance(core::markup_tag_to_text(tag).size());
    return copying_parser_callback::on_end_tag(tag, position);
}

bool registration_preprocessor::on_text(std::string& text, bool raw, std::size_t position)
{
    advance(text.size());
    return copying_parser_callback::on_text(text, raw, position);
}

bool registration_preprocessor::break_and_indent(bool opening)
{
    // The same indentation the base keeps, so the column after its break is known.
    bool broke = copying_parser_callback::break_and_indent(opening);
    if (!opening) {
        indentation_ = indentation_ >= indent_unit_length_ ? indentation_ - indent_unit_length_ : 0;
        return broke;
    }
    if (broke)
        column_ = indentation_;
    if (indentation_ < 40)
        indentation_ += indent_unit_length_;
    else
        indentation_ = 0;
    return broke;
}

bool preprocess_registration_page(const std::string& path, std::ostream& output)
{
    std::ifstream page(path, std::ios::binary);
    if (!page)
        return false;
    registration_preprocessor preprocessor(output, 80);
    core::parse_html_stream(page, preprocessor, false);
    return true;
}

// --- validator

std::string validation_address(const platform::registry::profile& settings, const std::string& gateway_host)
{
    if (auto value = settings.get_string("broadcast", "ValidatorURL"); value && !value->empty())
        return *value;
    return core::format_resource_cstring(IDS_VALIDATION_ADDRESS, gateway_host.c_str());
}

std::string validator_body(const std::string& boundary, const std::string& form_file_path, const std::string& page)
{
    return "--" + boundary + "\r\nContent-Disposition: form-data; filename=\"" + escaped_file_name(form_file_path)
        + "\"\r\nContent-Type: text/html\r\n\r\n" + page + "\r\n--" + boundary + "--\r\n";
}

wizard_validator::wizard_validator(validator_services services, std::string address)
    : services_(std::move(services)), address_(std::move(address))
{
}

std::string wizard_validator::registerForm(validator_services services, const std::string& address,
    const std::string& form_file_path)
{
    TRACE_LOG("wizard_validator::registerForm()\n");
    TRACE_LOG("wizard_validator will submit Registration requests to %s \n", address.c_str());
    wizard_validator validator(std::move(services), address);
    return validator.postForm(form_file_path);
}

std::string wizard_validator::postForm(const std::string& form_file_path)
{
    namespace inet = platform::inet;
    TRACE_LOG("wizard_validator::postForm\n");
    auto url = core::url_parts_init(address_);
    if (!url.parsed || (url.service != "http" && url.service != "https")) {
        TRACE_LOG("wizard_validator::postForm() failed: %s is no http address\n", address_.c_str());
        return {};
    }
    std::ostringstream page;
    if (!preprocess_registration_page(form_file_path, page)) {
        TRACE_LOG("wizard_validator::postForm() failed: the form page %s cannot be read\n", form_file_path.c_str());
        return {};
    }
    std::uint32_t flags = inet::flag_reload | inet::flag_existing_connect | inet::flag_no_cache_write
        | inet::flag_no_auto_redirect;
    if (url.service == "https")
        flags |= inet::flag_secure;

    inet::internet_session session(services_.layer, validator_agent, inet::open_type_preconfig);
    auto connection = session.get_http_connection(url.server, url.port);
    TRACE_LOG("Opening Request %s ...\n", url.object.c_str());
    for (int attempt = 1;; ++attempt) {
        try {
            for (int resend = 0;; ++resend) {
                auto post = connection->open_request("POST", url.object, {}, "HTTP/1.1", flags);
                TRACE_LOG("CHttpFile received as a result\n");
                auto boundary = make_boundary(services_.random);
                auto header = "Content-Type: multipart/form-data, boundary=" + boundary + "\r\n";
                post->add_request_headers(header);
                TRACE_LOG("Header [%s] added to request\n", header.c_str());
                auto body = validator_body(boundary, form_file_path, page.str());
                TRACE_LOG("Sending request\n");
                post->send_request_ex(body.size());
                TRACE_LOG("point1: ok = %s\n", "TRUE");
                post->write(body.data(), body.size());
                post->end_request();
                TRACE_LOG("point2: ok = %s, %ld\n", "TRUE", 0L);
                TRACE_LOG("while ended\n");
                auto status = post->query_info_status_code();
                TRACE_LOG("post->QueryInfoStatusCode() gave ErrorCode=%ld, post_status=%ld\n", 0L, static_cast<long>(status));
                if (status == 407 && resend < max_resends) {
                    TRACE_LOG("Requesting the correct password\n");
                    auto answer = post->error_dialog(inet::error_internet_incorrect_password,
                        inet::error_ui_flags_generate_data | inet::error_ui_flags_change_options);
                    if (answer == inet::error_internet_force_retry)
                        continue;
                }
                if (status != 200) {
                    TRACE_LOG("wizard_validator::postForm() failed\n");
                    return {};
                }
                std::string reply;
                std::string line;
                while (post->read_string(line, 4096))
                    reply += line;
                return reply;
            }
        } catch (const inet::internet_exception& error) {
            TRACE_LOG("post->SendRequestEx generated exception\n");
            if (attempt < max_attempts) {
                TRACE_LOG("retrying the registration attempt\n");
                continue;
            }
            if (services_.error_box)
                services_.error_box(error.what());
            throw;
        }
    }
}

}

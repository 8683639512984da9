#include "editing/document/form_scripts.h"

#include "conversion/bodies/text_body.h"
#include "conversion/vocabulary/vocabulary_texts.h"
#include "core/markup/ascii.h"
#include "core/markup/escape.h"
#include "core/util/strings.h"
#include "core/vocab/pull_placeholders.h"

#include <vector>

namespace editing {

using platform::com::failed;
using platform::com::succeeded;

namespace {

constexpr std::string_view validation_script_id = "quorbis_validation_script";
constexpr std::string_view redirection_script_id = "quorbis_redirection_script";
constexpr unsigned IDS_FIELD_REQUIRED = 240;

// The names of the fields carrying "quorbis_required", in page order.
std::vector<std::string> required_field_names(const html::collection_ptr& all)
{
    std::vector<std::string> names;
    for (long i = 0; i < all->length(); ++i) {
        auto e = all->item(i);
        html::value required;
        if (!e || failed(e->get_attribute("quorbis_required", required)) || required.empty())
            continue;
        html::value name;
        if (succeeded(e->get_attribute("name", name)) && !name.to_text().empty())
            names.push_back(name.to_text());
    }
    return names;
}

std::string validation_script(const std::vector<std::string>& names)
{
    std::string function = "function " + std::string(conversion::validation_function) + "()\n{\n";
    for (const auto& name : names) {
        function += "if (!" + std::string(conversion::wrapper_form_name) + "." + name + ".value.length){\n";
        function += "alert(\"" + core::format_resource_cstring(IDS_FIELD_REQUIRED, name.c_str()) + "\");\n";
        function += "return false;\n}\n";
    }
    function += "return true;\n}";
    return "&nbsp;<script id=\"" + std::string(validation_script_id) + "\" language=javascript>\n<!--\n" + function
        + "\n//  -->\n</script>";
}

bool is_hidden_input_named(const html::element_ptr& e, std::string_view name)
{
    html::value type;
    html::value field;
    return e && e->has(html::facet::input) && succeeded(e->get(html::facet::input, "type", type))
        && succeeded(e->get(html::facet::input, "name", field)) && !type.to_text().empty()
        && core::equal_ignoring_case(type.to_text(), "hidden") && core::equal_ignoring_case(field.to_text(), name);
}

}

bool insert_form_validation_script(const document_pair& pair)
{
    if (!pair.document)
        return false;
    remove_scripts(pair, validation_script_id);
    html::collection_ptr all;
    if (!get_all_elements(pair, all) || !all || all->length() == 0)
        return false;
    const auto names = required_field_names(all);
    if (names.empty())
        return false;
    auto body = pair.document->body();
    return body && succeeded(body->insert_adjacent_html(html::adjacency::after_end, validation_script(names)));
}

bool insert_redirect_script(const document_pair& pair)
{
    if (!pair.document)
        return false;
    remove_scripts(pair, redirection_script_id);
    auto body = pair.document->body();
    if (!body)
        return false;
    const std::string script = "&nbsp;<script id=\"" + std::string(redirection_script_id)
        + "\" language=javascript>\n<!-- \nfunction redirectToForm(strURL)\n{\n"
          "   window.open(strURL, 'redirectToForm'); \n}\n//  -->\n</script>";
    if (failed(body->insert_adjacent_html(html::adjacency::after_end, script)))
        return false;
    const auto target = core::make_pull_placeholder(conversion::redirector_placeholder);
    return succeeded(body->set_attribute("onload", html::value("javascript:redirectToForm('" + target + "')"), 0));
}

std::string get_hidden_field(const document_pair& pair, std::string_view name)
{
    html::collection_ptr all;
    if (!get_all_elements(pair, all) || !all)
        return {};
    for (long i = 0; i < all->length(); ++i) {
        auto e = all->item(i);
        html::value value;
        if (is_hidden_input_named(e, name) && succeeded(e->get(html::facet::input, "value", value)))
            return value.to_text();
    }
    return {};
}

std::string get_form_id_field(const document_pair& pair) { return get_hidden_field(pair, "KDV-form"); }

void write_hidden_field(const document_pair& pair, const html::collection_ptr& all, std::string_view name,
    std::string_view value)
{
    if (auto found = all->item(name)) {
        (void)found->set_attribute("value", html::value(std::string(value)), 0);
        return;
    }
    auto body = pair.document->body();
    if (!body)
        return;
    // The form's name is typed by the user: written as a value, never as markup.
    const std::string field = "<br><input type=\"hidden\" name=\"" + std::string(name) + "\" value=\""
        + core::escape_attribute_value(value, '"', core::escape_mode::exact) + "\">";
    (void)body->insert_adjacent_html(html::adjacency::before_end, field);
}

void set_form_id_fields(const document_pair& pair, std::string_view form_id, std::string_view user_id)
{
    if (!pair.document)
        return;
    // The first write may rewrite the body: each field looks in the page as it is now.
    for (const auto& [name, value] : {std::pair {"KDV-form", form_id}, std::pair {"KDV-db", user_id}}) {
        html::collection_ptr all;
        if (!get_all_elements(pair, all) || !all)
            return;
        write_hidden_field(pair, all, name, value);
    }
}

}

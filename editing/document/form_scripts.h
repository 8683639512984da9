#pragma once

// The scripts and hidden fields of a message page's web form, written through the editing
// document: the validation script made from the required fields, the redirect-to-form
// script, and the hidden fields that name the form at the service.

#include "editing/document/editing_commands.h"

#include <string>
#include <string_view>

namespace editing {

// Replaces the page's validation script by one that refuses to submit the form while a
// field carrying "quorbis_required" (and a name) is empty. True when a script was written;
// a page without required fields is left with none.
bool insert_form_validation_script(const document_pair& pair);

// Replaces the page's redirect-to-form script and points the body's "onload" at it, with the
// redirector placeholder as its target. True when both were written.
bool insert_redirect_script(const document_pair& pair);

// The value of the first hidden input of that name (case ignored); empty when none.
std::string get_hidden_field(const document_pair& pair, std::string_view name);
// The form's identifier "KDV-form" at the service.
std::string get_form_id_field(const document_pair& pair);

// Writes the hidden fields "KDV-form" and "KDV-db".
void set_form_id_fields(const document_pair& pair, std::string_view form_id, std::string_view user_id);

// Sets the value of the element of that name, or appends a hidden input with it to the body.
void write_hidden_field(const document_pair& pair, const html::collection_ptr& all, std::string_view name,
    std::string_view value);

}

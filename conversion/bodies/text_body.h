#pragma once

// A page's links, pictures and objects rewritten into forms that survive in a text-like
// body: mail-to links show their address, pull-file links their placeholder, pictures their
// text-body alternative, lists and tables become paragraphs.

#include "conversion/bodies/body_passes.h"

#include <cstddef>
#include <string>

namespace conversion {

// Stands for every "!" while the anchor normaliser's sed runs over the text.
inline constexpr std::string_view text_body_protection = "~^@#$-^+_)(&*&*()*(*&))*&@#@^@`";
inline constexpr std::string_view redirector_placeholder = "@@REDIRECTORER_NAME@@";

// The sed engine's space limit for the anchor normaliser (its default).
std::size_t default_text_body_sed_limit();

// Rewrites the page text in place. Values read from tags are decoded and escaped before
// they enter the text. A failing sed run leaves the anchors as they were (traced).
void rewrite_links_for_text_body(std::string& text, const body_passes& passes);
void rewrite_links_for_text_body(std::string& text, const body_passes& passes, std::size_t sed_space_limit);

// Folds "<A", blanks or line breaks, "HREF" into "<a href" with the sed engine; "!" and line
// breaks are kept. A text holding the protection string, or a failing run, is left as it is
// (false, traced).
bool normalise_anchor_tags(std::string& text, std::size_t sed_space_limit);

// The body file rewritten; an empty text when the file does not exist. Any other failure to
// read it throws body_error.
std::string rewrite_file_for_text_body(const std::string& path, const body_passes& passes);

}

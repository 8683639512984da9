#pragma once

#include "core/files/file_text.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

// The fixed texts of the markup vocabulary that message bodies carry: every writer and reader
// of a body takes them from here.
namespace conversion {

// The product words that open a page's GENERATOR content.
inline constexpr std::string_view product_words = "Quorbis Veltrane Wizard";
// The GENERATOR content for a program version: the product words, a blank, the version.
std::string generator_content(std::string_view version);

// The four numbers of the program version that wrote a page.
using program_version = std::array<int, 4>;
// The version in a GENERATOR content: the four numbers after the product words when the
// content begins with them (case ignored), else after its first blank; missing ones read 0.
program_version read_generator_version(std::string_view content);

// String resource of the ProgId declaration's content.
inline constexpr unsigned progid_string = 20013;
// The page head's two declarations, filled with the GENERATOR and ProgId contents.
std::string head_declarations(std::string_view generator, std::string_view progid);
inline constexpr std::string_view generator_meta_name = "GENERATOR";
inline constexpr std::string_view progid_meta_name = "ProgId";

// Object markers: comments around every managed object.
inline constexpr std::string_view object_start_word = "Quorbis-object-start";
inline constexpr std::string_view object_end_word = "Quorbis-object-end";

// Replace comments: "<!--replace-->", the shown text, "<!--with{", the kept text, "}-->".
inline constexpr std::string_view replace_word = "replace";
inline constexpr std::string_view replace_marker = "<!--replace-->";
inline constexpr std::string_view kept_open = "<!--with{";
inline constexpr std::string_view kept_close = "}-->";
inline constexpr std::string_view comment_close = "-->";

// Pull-size placeholders: "([pullsize name=", the pull file's name, "])".
inline constexpr std::string_view pullsize_word = "[pullsize";
inline constexpr std::string_view pullsize_name_open = "name=";
std::string pullsize_placeholder(std::string_view name);
// A pull file's size as the recipients see it: bytes, Kb or Mb with "." and ",".
std::string pull_size_text(std::uint64_t size);

// Attribute names and values of the vocabulary.
inline constexpr std::string_view quorbis_id_attribute = "quorbis_id";
inline constexpr std::string_view text_body_alt_attribute = "text_body_alt";
inline constexpr std::string_view wrapper_form_name = "quorbis_form";
inline constexpr std::string_view validation_function = "quorbis_form_validation";

}

#pragma once

#include "shell/documents/save_transaction.h"

#include <optional>
#include <string>
#include <string_view>

namespace shell {

// Where a message document lives, from its base path F/S (folder and stem of the page the
// user opens and saves): the page F/S.E, the companion folder F/S_files holding
// Message_Files (the three bodies), Pull_Files and Push_Files, and in the dictionaries
// folder the body-parts file and manifest named by the base path's flat name.

// The text of a page written only to mark the place of a document.
inline constexpr std::string_view anchor_placeholder = "to be deleted";

// "Message_Body.htm", "Message_Body-AOL.htm", "Message_Body.txt" for kinds 0 to 2.
std::string_view message_part_name(int kind);

// The base path of a file: made absolute from `current_folder` and lexically normalised,
// less its extension. A path written on Windows (a drive letter or a "\") is only stripped
// of its extension.
std::string document_base_path(std::string_view file, std::string_view current_folder);

std::string companion_folder(std::string_view base);
std::string message_files_folder(std::string_view base);

// The flat name of a base path, or nothing when a file named by it (the longest
// suffix the document uses included) would be too long.
std::optional<std::string> flat_document_name(std::string_view base);

// The path of a message part: kinds 0 to 2 in the companion folder's Message_Files, kind 3
// the body-parts file in the dictionaries folder. Empty for another kind or a base path
// whose flat name is too long.
std::string message_part_path(std::string_view base, int kind, std::string_view dictionaries);
std::string manifest_path(std::string_view base, std::string_view dictionaries);

// The base path of a document from the path of one of its body parts (either separator);
// empty when the path names none.
std::string document_base_from_part_path(std::string_view path);

// All four places of the document; nothing when its flat name is too long.
std::optional<document_files> document_files_for(std::string_view base, std::string_view anchor_extension,
    std::string_view dictionaries);

// Writes the placeholder page when the anchor file is missing; false when it cannot.
bool ensure_anchor(const std::string& anchor);

}

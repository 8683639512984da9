#pragma once

// The document that lives in memory only: the one implementation of the HTML document
// interface until the on-screen one, and the off-screen document of page passes.

#include "html/clipboard.h"
#include "html/document.h"

#include <memory>
#include <string>
#include <string_view>

namespace html {

class url_loader;

struct headless_ports {
    ui_queue* queue = nullptr;               // required: ready states are posted here
    std::shared_ptr<url_loader> loader;      // null: the standard loader
    std::shared_ptr<html::clipboard> clip;   // null: a private one
    std::string resource_folder;             // for "res:" pages (<share>/talverin)
};

std::unique_ptr<document> make_headless_document(document_host& host, headless_ports ports);

// Checks a headless document's tree and pointers: parent and child links agree, no node
// twice, void elements, comments and text childless, every live pointer at a real place.
// Empty when all holds, else what is wrong. For tests and fuzzing.
std::string check_headless_document(document& doc);
// How many nodes (elements, texts, comments, declarations) the document's tree holds.
std::size_t count_headless_nodes(document& doc);

// Page bytes to UTF-8 (byte-order mark, META charset, valid UTF-8, else Windows-1252);
// `charset` gets the name used.
std::string decode_page_bytes(std::string_view bytes, std::string* charset = nullptr);

}

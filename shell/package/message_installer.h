#pragma once

#include <string>

namespace shell {

// An unpacked message ready to become the document at base path F/S: its companion
// folder's new contents, body-parts file and manifest, all in the importer's private
// folder on the same file system as F.
struct unpacked_message {
    std::string base_path;
    std::string companion_tree;
    std::string body_parts_file;
    std::string manifest_file;
};

// Puts unpacked messages in place of a document's files.
class MessageInstaller {
public:
    virtual ~MessageInstaller() = default;
    // True when a document lives at the base path (its companion folder or body-parts file).
    virtual bool has_message(const std::string& base_path) = 0;
    // Installs the message whole, replacing any document at the base path; gives the anchor
    // file's path. Throws job_package_error, leaving the old document whole.
    virtual std::string install_message(const unpacked_message& message) = 0;
};

}

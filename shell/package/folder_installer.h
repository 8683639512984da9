#pragma once

#include "shell/package/message_installer.h"

#include <string>

namespace shell {

// Installs a message with renames: the body-parts file and manifest are copied beside
// their places in the dictionaries folder, the old companion folder steps aside, the new
// tree takes its place, the two files are renamed over theirs and the old tree goes. Each
// step is atomic; a failure before the files are renamed puts the old tree back.
class folder_installer final : public MessageInstaller {
public:
    // anchor_extension: the anchor file's extension with its dot (".htm").
    folder_installer(std::string dictionaries_folder, std::string anchor_extension);

    bool has_message(const std::string& base_path) override;
    std::string install_message(const unpacked_message& message) override;

private:
    std::string dictionary_file(const std::string& base_path, const char* extension) const;

    std::string dictionaries_folder_;
    std::string anchor_extension_;
};

}

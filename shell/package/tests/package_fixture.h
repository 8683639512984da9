#pragma once

#include "core/files/file_path.h"
#include "platform/testing/file_contents.h"
#include "platform/testing/temporary_folder.h"
#include "platform/testing/test_services.h"
#include "shell/package/job_export.h"
#include "shell/package/job_import.h"

#include <filesystem>
#include <map>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace shell::testing {

// Every box shown, answered with its default.
class recording_prompt final : public platform::prompts::prompt {
public:
    using prompt::message_box;
    int message_box(const platform::prompts::message_box_request& request) override
    {
        shown.push_back(request.text);
        return platform::prompts::default_answer(request.type);
    }
    std::vector<std::string> shown;
};

// What a folder holds, seen without following links: relative path to its kind and bytes.
inline std::map<std::string, std::string> snapshot(const std::string& folder)
{
    namespace fs = std::filesystem;
    std::map<std::string, std::string> seen;
    for (auto it = fs::recursive_directory_iterator(folder); it != fs::recursive_directory_iterator(); ++it) {
        auto relative = fs::relative(it->path(), folder).string();
        auto status = it->symlink_status();
        if (fs::is_symlink(status))
            seen[relative] = "link " + fs::read_symlink(it->path()).string();
        else if (fs::is_directory(status))
            seen[relative] = "folder";
        else if (fs::is_regular_file(status))
            seen[relative] = "file " + platform::testing::read_file(it->path().string());
        else
            seen[relative] = "other";
    }
    return seen;
}

// A saved message F/S (companion folder and dictionaries files) in a fresh folder tree:
// <root>/home/docs holds messages, <root>/home/dest receives imports, <root>/data the
// program's dictionaries.
struct package_fixture {
    platform::testing::temporary_folder root;
    std::string home = root.file("home");
    std::string docs = home + "/docs";
    std::string dest = home + "/dest";
    std::string dictionaries = root.file("data/dictionaries");
    recording_prompt prompt;
    platform::strings::string_table strings
        = platform::strings::string_table::load(platform::testing::share_folder() + "/talverin/strings.txt");
    job_package_importer importer {prompt, strings, dictionaries, ".htm"};

    package_fixture()
    {
        std::filesystem::create_directories(docs);
        std::filesystem::create_directories(dest);
        std::filesystem::create_directories(dictionaries);
    }

    std::string dictionary_file(const std::string& base, const std::string& extension) const
    {
        return dictionaries + "/" + core::encode_path_as_name(base) + extension;
    }

    // Writes the message at docs/<stem> and gives its export request for the package path.
    job_export_request message(const std::string& stem, const std::string& package) const
    {
        using platform::testing::write_file;
        auto base = docs + "/" + stem;
        write_file(base + ".htm", "<html>saved " + stem + "</html>");
        write_file(base + "_files/Message_Files/Message_Body.htm", "<p>body of " + stem + "</p>");
        write_file(base + "_files/Pull_Files/logo.gif", std::string("GIF89a\0\1\2", 9));
        write_file(base + "_files/Push_Files/read me.txt", "pushed");
        std::filesystem::create_directories(base + "_files/Push_Files/empty");
        write_file(dictionary_file(base, ".dndtf"), "parts of " + stem);
        write_file(dictionary_file(base, ".objects"), "1.0.0.0\n<pushfiles>\n");
        return {base + "_files", dictionary_file(base, ".dndtf"), dictionary_file(base, ".objects"), package};
    }
};

}

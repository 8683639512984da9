#pragma once

#include <string>
#include <vector>

namespace platform::strings {
class string_table;
}

namespace shell {

// What the Save Results page (the page file of a saved message) tells its reader.
struct save_results {
    std::string project;     // the document's name without extension
    std::string generator;   // the application title
    std::string qbb_file;    // the page's file name without extension
    std::string companion;   // the companion folder's name, relative to the page
    struct part {
        std::string label;   // "HTML", "HTML-lite", "Text"
        std::string path;    // the part's full path
    };
    std::vector<part> parts; // the body parts that exist
    std::vector<std::string> pull_files;
    std::vector<std::string> push_files;
};

// The page from the string resources 21087-21090: every name escaped for its place in
// the markup, every link percent-encoded (the folder links relative to the page, so they
// still resolve when the document's folder moves).
std::string format_save_results_page(const platform::strings::string_table& strings, const save_results& results);

}

#pragma once

// How the importer reads the addresses a page refers to: the kind of object a link
// becomes, and where a referenced file may be found.

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace conversion {

// Media types by file-name extension, read from "mime-types.txt" lines: a type, then its
// extensions; "#" begins a comment.
class mime_table {
public:
    // The shipped table in the program's folders; empty (every type unknown, traced) when it
    // cannot be read.
    static mime_table load_standard();
    static mime_table from_text(std::string_view text);

    // The type of a name (a path or address: query and fragment dropped, the last component's
    // extension, case ignored); empty when unlisted.
    std::string type_for_name(std::string_view name) const;
    bool empty() const { return types_.empty(); }

private:
    std::map<std::string, std::string> types_;  // lower-case extension -> type
};

// An address taken apart: scheme (lower case), host, path, query, fragment.
struct link_parts {
    std::string scheme;
    std::string host;
    std::string path;
    std::string query;
    std::string fragment;
};
// A one-letter scheme is a drive letter, not a scheme.
link_parts split_link(std::string_view link);

// The object kind a link becomes (core::object_kind numbers): 4 hyperlink (no address, a
// bookmark of this page, script), 5 mail-to, 3 click-to (a page, or any address with a
// query), 2 pull file (a file whose type is an application/ type).
int classify_link(std::string_view href, std::string_view page_name, const mime_table& types);

// References longer than this are not looked up: no page names a file that way.
inline constexpr std::size_t max_reference_length = 4096;

// Where a referenced file is looked for: the absolute path itself, or the page's folder
// joined with the relative reference; "." and ".." folded. A "[pull name=...]" placeholder
// names a file in the page's folder. Empty for a reference with a scheme other than "file",
// one that is empty or too long.
std::vector<std::string> resource_candidates(std::string_view reference, std::string_view page_folder);

// The first candidate that is a regular file (links followed); empty when none is.
std::string find_resource_file(std::string_view reference, std::string_view page_folder);

}

#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace conversion {

// The editor's default font as the page is to show it; the caller fills it from the
// application's font settings and the format bar's size list.
struct page_style {
    std::string face;                // empty: no face written
    int size = 0;                    // points
    std::vector<std::string> sizes;  // the size box's entries, in order
};

// The size box when there is no frame to ask: the point sizes of HTML sizes 1 to 7.
std::vector<std::string> default_font_sizes();

// The HTML size for the points: the 1-based position of the first entry that begins with
// the number, else of the nearest entry below 100 points away; 0 when none.
int font_size_position(int points, const std::vector<std::string>& sizes);

// A plain text as a small HTML page: spaces, tabs and blank lines kept in look, markup
// characters escaped, addresses linked. Lines end at LF, one CR before it dropped; a
// leading UTF-8 byte-order mark is dropped.
std::string text_to_html(std::string_view text, const page_style& style);

struct [[nodiscard]] text_import_status {
    bool ok = false;
    std::string reason;  // what went wrong, for the user; empty when ok
};

// The file form: reads the source whole, writes the page to the target (created or
// truncated).
text_import_status text_to_html(const std::string& source_path, const std::string& target_path, const page_style& style);

}

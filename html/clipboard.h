#pragma once

// The clipboard the editing documents share: data by format name, in memory. The on-screen
// backend maps "HTML Format" to text/html.

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace html {

inline constexpr std::string_view html_clipboard_format = "HTML Format";
inline constexpr std::string_view text_clipboard_format = "Text";

class clipboard {
public:
    std::optional<std::string> get(std::string_view format) const;
    // Adds or replaces one format; the others stay.
    void set(std::string_view format, std::string data);
    // Makes this the only format held.
    void set_only(std::string_view format, std::string data);
    void clear() { formats_.clear(); }
    bool empty() const { return formats_.empty(); }

private:
    std::map<std::string, std::string, std::less<>> formats_;
};

// "HTML Format" text: a header of "name:value\r\n" lines whose offsets count bytes from the
// start of the whole text, then the page holding the fragment.

// The text for a fragment: the five-line header with ten-digit offsets and the fragment in
// a small page between "<!--StartFragment-->" and "<!--EndFragment-->".
std::string make_html_format(std::string_view fragment);

// The StartFragment (line 4) and EndFragment (line 5) offsets; false unless
// 0 < start <= end <= the text's length.
[[nodiscard]] bool parse_fragment_offsets(std::string_view text, std::size_t& start, std::size_t& end);
// Exactly the bytes from start to end.
[[nodiscard]] bool extract_fragment(std::string_view text, std::string& fragment);
// One of "Version", "StartHTML", "EndHTML", "StartFragment", "EndFragment",
// "StartSelection", "EndSelection", in any case.
bool is_html_format_field(std::string_view name);
// Puts the new fragment in place of the old and moves the End offsets by the difference,
// keeping their width; a value that needs more digits widens the header and every offset
// moves by that growth too. False, the text unchanged, when the header cannot be read or
// the result would not give back exactly the new fragment.
[[nodiscard]] bool replace_fragment(std::string& text, std::string_view new_fragment);

}

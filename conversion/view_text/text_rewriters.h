#pragma once

// String rewriters that turn a message body's HTML, step by step, into the simpler markup
// the HTML-lite and plain-text bodies are made from. Each works on the text in place, with
// one scan left to right into a new string; searches use `find_text`. Constructs left open
// (a list without its end, an anchor without "</a>") end the rewriting and leave the rest
// as it was.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace conversion {

// The message objects a picture may stand for, as the document manager knows them.
class object_text_lookup {
public:
    struct pull_file {
        std::string name;       // the pull file's name
        std::string link_text;  // the text recorded for its link
    };
    virtual ~object_text_lookup() = default;
    virtual std::optional<pull_file> find_pull_file(int number) const = 0;
    // A click-to's recorded text.
    virtual std::optional<std::string> find_clickto_text(int number) const = 0;
};

// "&nbsp;", "&lt;", "&gt;", "&amp;" decoded once each (so "&amp;lt;" gives "&lt;"), then
// STRONG and EM written as B and I.
void decode_inline_markup(std::string& text);

// Each list's items become paragraphs: "<p>&nbsp;&nbsp;&nbsp;* " for bullets, the item's
// number (from 1 in every list) for ordered lists; the list tags and DIV tags in it go.
void convert_unordered_lists(std::string& text);
void convert_ordered_lists(std::string& text);

// Each OBJECT element goes; with `with_links` a link to its movie takes its place, carrying
// its "quorbis_id". Id and address are escaped for the markup they enter.
void replace_objects_with_links(std::string& text, bool with_links);

// The text an IMG tag stands for: its alt text, or with `object_texts` the text of the pull
// file or click-to it shows (empty for any other picture or an object `objects` does not
// know; a null `objects` knows none).
std::string image_to_text(std::string_view tag, bool object_texts, const object_text_lookup* objects);

// Pictures become their text (`image_to_text`), mail-to links their text and address, and the
// remaining "&nbsp;" blanks.
void convert_images_and_mailto_links(std::string& text, bool object_texts, const object_text_lookup* objects);

// A link that shows nothing but pictures without alt text gets its address, as written and
// escaped, as its text; other links stay.
void convert_links_to_text(std::string& text);

// The next `what` at or after `from` that lies outside a comment (no "<!--" before it
// without a ">" between); npos when none.
std::size_t find_outside_comment(std::string_view text, std::string_view what, std::size_t from);

// Removes every opening tag "<name" up to and including its ">".
void remove_tags_named(std::string& text, std::string_view name);

// Flattens the table starting at `at` with every table inside it, innermost first: cells end
// in tabs, rows and captions in "<br>", the table tags go. False when the table has no end;
// the complete tables inside it are flattened all the same.
bool convert_table(std::string& text, std::size_t at);
// Flattens every table outside comments, up to the first one without an end.
void convert_tables(std::string& text);

}

#pragma once

#include <iosfwd>
#include <string>

namespace conversion {

// True when the word is a link; the word then becomes the link's address. A word with "@"
// that starts with no address prefix becomes a mail address ("(" kept in front), a word
// starting with "www." gets "http://" put in front.
bool link_word_target(std::string& word);

// The next word of the stream, unchanged or as its anchor; a lone "mailto:" takes the word
// after it. The word is markup text already; the address is escaped for its attribute.
std::string linkify_word(std::istream& words);

}

#pragma once

// The list of tags AOL mail readers understand ("aoltags.txt"), as the importer asks it.

#include "core/markup/html_tag.h"

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace conversion {

// Builds one line of HTML-lite text.
class CLineConsumer {
public:
    virtual ~CLineConsumer() = default;
    virtual void append(std::string_view text) { line_ += text; }
    virtual void new_line() { line_ += "<BR>"; }

    const std::string& line() const { return line_; }

private:
    std::string line_;
};

// Longest part of a dictionary line that is kept.
inline constexpr std::size_t dictionary_line_limit = 511;

// The tag lines of a dictionary file: lines end in "\r\n", "\n\r", "\n" or "\r"; empty lines
// and lines beginning with ";" are left out; each line is cut to its first 511 bytes. The
// views point into `bytes`.
std::vector<std::string_view> split_dictionary_lines(std::span<const char> bytes);

// Tags in file order, duplicates allowed.
class CDictionary {
public:
    // Replaces the content with the tags of the file; false (and empty) when the file cannot
    // be mapped or is empty.
    bool Load(const std::string& path);
    // Replaces the content with the tags of the given lines.
    void Load(const std::vector<std::string_view>& lines);
    // True when an entry has this name, compared without regard to case. An end tag's name
    // carries its "/".
    bool Find(std::string_view name) const;
    bool Find(const core::CHTMLTag& tag) const;

    const std::vector<core::CDictHTMLTag>& entries() const { return entries_; }

private:
    std::vector<core::CDictHTMLTag> entries_;
};

// The importer's AOL tag dictionary with the line it builds.
class CHTMLLiteParser : public CLineConsumer {
public:
    ~CHTMLLiteParser() override = default;

    CDictionary dictionary;
    std::string text;
};

}

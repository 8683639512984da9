#pragma once

#include "core/markup/markup_parser.h"

#include <string>
#include <vector>

namespace core {

// Finds the marker spans of a message body: an empty A element with a "quorbis_id" attribute
// (with a comment that follows it directly), and stray "</!>" tags.
class link_analyzer : public parser_callback {
public:
    struct span {
        std::size_t start;  // offset of the first "<"
        std::size_t end;    // offset just after the last ">"
        std::string id;     // the "quorbis_id" value; empty for "</!>"
    };

    bool on_comment(std::string& text, std::size_t position) override;
    bool on_empty_tag(markup_tag& tag, std::size_t position) override;
    bool on_start_tag(markup_tag& tag, std::size_t position) override;
    bool on_end_tag(markup_tag& tag, std::size_t position) override;
    bool on_text(std::string& text, bool raw, std::size_t position) override;
    bool on_error(int code, std::size_t position, int& state) override;

    const std::vector<span>& spans() const { return spans_; }

private:
    bool inside_anchor_ = false;
    bool just_closed_ = false;
    std::size_t anchor_start_ = 0;
    std::string anchor_id_;
    std::vector<span> spans_;
};

// The object dictionary of the message's bodies, as far as cutting markers needs it. A number
// that is not there is no error.
class marker_dictionary {
public:
    virtual ~marker_dictionary() = default;
    virtual void remove_pull_file(int document_kind, int number) = 0;
    virtual void remove_click_to(int document_kind, int number) = 0;
};

// Cuts the marker spans out of the body and removes the pull files and click-tos they name
// from the dictionary of the document kind.
void strip_object_markers(std::string& body, int document_kind, marker_dictionary& dictionary);

}

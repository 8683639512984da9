#pragma once

// The page head stamped with this program's GENERATOR and ProgId declarations, and the
// pages the message view shows for each kind of message.

#include "conversion/bodies/body_passes.h"
#include "core/files/file_path.h"
#include "core/markup/copying_callback.h"

#include <string>
#include <string_view>

namespace conversion {

// Copies every event but META tags named GENERATOR or ProgId (case ignored, quotes removed).
class head_adjuster : public hevtools::markup::copying_parser_callback {
public:
    explicit head_adjuster(std::string& output) : copying_parser_callback(output, "") { }

    bool on_empty_tag(core::markup_tag& tag, std::size_t position) override;
    bool on_start_tag(core::markup_tag& tag, std::size_t position) override;
    bool on_end_tag(core::markup_tag& tag, std::size_t position) override;
    bool on_comment(std::string& text, std::size_t position) override;
    // The line break that followed a dropped declaration goes with it, so that adjusting a
    // head twice gives what adjusting it once gave.
    bool on_text(std::string& text, bool raw, std::size_t position) override;

private:
    bool dropped_ = false;
};

// The head's old GENERATOR and ProgId declarations go and new ones, for this program's
// version, stand just before "</head>". A page without a head is unchanged.
void adjust_head(std::string& page);
// The same with the two contents given.
void adjust_head(std::string& page, std::string_view generator, std::string_view progid);

// The page rewritten for the text body, in a new temporary ".htm" file that is removed when
// the result is released. Throws body_error when the file cannot be made or written.
core::file_path write_text_body_page(const std::string& page, const body_passes& passes);

// A page's text as markup for the text view: "&", "<", ">" escaped, each CR LF a "<br>".
std::string text_page_markup(std::string_view page_text);

// What the view's page loading asks of the program: the edit mode, the document and the
// document manager's stored files.
class view_page_source {
public:
    virtual ~view_page_source() = default;
    virtual int edit_mode() const = 0;
    virtual bool has_document_manager() const = 0;
    virtual std::string document_path() const = 0;
    // The kind of a document without a path: 0 HTML, 1 HTML-lite, 2 any other.
    virtual int document_kind() const = 0;
    // Template index 0-2 whose extension matches, else negative.
    virtual int template_index_by_extension(std::string_view extension) const = 0;
    virtual bool doc_file_exists(int kind) const = 0;
    // The stored file of the kind, with the working folder in front; empty when none.
    virtual std::string doc_file_path(int kind) const = 0;
    virtual std::string working_extension() const = 0;
    virtual body_passes& passes() = 0;
};

// The page the view loads: nothing, the view's default page, or a file (a derived body is
// a temporary page the result holds).
struct view_page {
    enum class kind_type { nothing, default_page, file };
    kind_type kind = kind_type::nothing;
    core::file_path file;
};

// Chooses the page by the document's kind: in edit mode 2 the document itself; the stored
// body of the kind; else the text body (kind 2) or the HTML-lite body (kind 1) derived from
// the working body. Throws body_error when a derived body cannot be made.
view_page view_page_for(view_page_source& source);

}

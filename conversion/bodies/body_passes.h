#pragma once

// What the message-body transforms need from the editing component and the document
// manager. Conversion stands below both, so they come in through this interface: the
// program binds the off-screen page loader and the open document's manager; tests pass
// identity passes.

#include "conversion/view_text/text_rewriters.h"

#include <optional>
#include <string>
#include <string_view>

namespace conversion {

class body_passes {
public:
    virtual ~body_passes() = default;

    // The page loader's passes: the text loaded into an off-screen document, rewritten and
    // read back. False when the page could not be loaded or read; the text is then unchanged.
    [[nodiscard]] virtual bool reparse_html_text_pass(std::string& text) = 0;
    [[nodiscard]] virtual bool reparse_html_alignment_pass(std::string& text, bool flag) = 0;
    // The body text of the page file at `path`; nothing when it cannot be read.
    virtual std::optional<std::string> get_page_text(const std::string& path) = 0;

    // The name of the pull file (kind 2) or click-to (kind 3) the manager holds under that
    // number; nothing when it holds none.
    virtual std::optional<std::string> find_pull_name(int kind, int number) const = 0;
    // The name of the object whose pull placeholder names `placeholder`; nothing when none.
    virtual std::optional<std::string> find_pull_name_by_placeholder(std::string_view placeholder) const = 0;
    // The message's pull folder, for fresh pull sizes; nothing when the message has none.
    virtual std::optional<std::string> pull_folder() const = 0;
    // The pull files and click-tos that pictures stand for; null when none are known.
    virtual const object_text_lookup* object_texts() const = 0;
};

// Passes that change nothing and know no objects: the transforms' own work alone.
class identity_body_passes : public body_passes {
public:
    bool reparse_html_text_pass(std::string&) override { return true; }
    bool reparse_html_alignment_pass(std::string&, bool) override { return true; }
    std::optional<std::string> get_page_text(const std::string& path) override;
    std::optional<std::string> find_pull_name(int, int) const override { return std::nullopt; }
    std::optional<std::string> find_pull_name_by_placeholder(std::string_view) const override { return std::nullopt; }
    std::optional<std::string> pull_folder() const override { return std::nullopt; }
    const object_text_lookup* object_texts() const override { return nullptr; }
};

}

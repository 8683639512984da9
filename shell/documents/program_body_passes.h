#pragma once

// The message-body transforms' passes as the program runs them: the off-screen page
// loader's text and alignment passes and page text, and the open message's pull files and
// click-tos by number or placeholder name.

#include "conversion/bodies/body_passes.h"
#include "editing/site/page_loader.h"
#include "shell/objects/object_records.h"

#include <optional>

namespace shell {

class ProgramBodyPasses final : public conversion::body_passes {
public:
    // Without page services every page pass fails (traced); without objects none is known.
    ProgramBodyPasses(std::optional<editing::page_services> page_services, const object_maps* objects = nullptr)
        : page_services_(std::move(page_services)), objects_(objects)
    {
    }

    bool reparse_html_text_pass(std::string& text) override;
    bool reparse_html_alignment_pass(std::string& text, bool flag) override;
    std::optional<std::string> get_page_text(const std::string& path) override;
    std::optional<std::string> find_pull_name(int kind, int number) const override;
    std::optional<std::string> find_pull_name_by_placeholder(std::string_view placeholder) const override;
    std::optional<std::string> pull_folder() const override { return std::nullopt; }
    const conversion::object_text_lookup* object_texts() const override { return nullptr; }

private:
    std::optional<editing::page_services> page_services_;
    const object_maps* objects_;
};

}

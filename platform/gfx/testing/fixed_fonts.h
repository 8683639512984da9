#pragma once

#include "platform/gfx/font_catalogue.h"

#include <algorithm>
#include <map>

namespace platform::gfx::testing {

// A catalogue with fixed families and styles; every byte of a text is `advance` pixels wide.
class fixed_font_catalogue final : public font_catalogue {
public:
    fixed_font_catalogue()
    {
        add("Arial", true, {{"Regular", 400, false}, {"Bold", 700, false}, {"Italic", 400, true}});
        add("Courier New", true, {{"Regular", 400, false}, {"Bold", 700, false}});
        add("Verdana", true, {{"Regular", 400, false}, {"Semibold", 600, false}, {"Bold", 700, false}});
        add("Fixedsys", false, {{"Regular", 400, false}});
    }

    void add(std::string family, bool outline, std::vector<font_style> styles)
    {
        entries_[std::move(family)] = {outline, std::move(styles)};
    }

    std::vector<std::string> families(bool outline_only) const override
    {
        std::vector<std::string> names;
        for (const auto& [name, entry] : entries_) {
            if (entry.outline || !outline_only)
                names.push_back(name);
        }
        return names;
    }
    std::vector<font_style> styles(const std::string& family) const override
    {
        auto found = entries_.find(family);
        return found == entries_.end() ? std::vector<font_style> {} : found->second.styles;
    }
    int text_width(const std::string&, int, const std::string& text) const override
    {
        return static_cast<int>(text.size()) * advance;
    }

    int advance = 7;

private:
    struct entry {
        bool outline = true;
        std::vector<font_style> styles;
    };
    std::map<std::string, entry> entries_;
};

}

#pragma once

#include "platform/ui/doc_manager.h"
#include "platform/strings/string_table.h"

#include <array>

namespace shell {

// The three document kinds: HTML message, HTML-lite message, text message.
struct TemplateRow {
    int index;
    std::array<unsigned, 3> string_id; // by edit mode 0, 1, 2
};

inline constexpr std::array<TemplateRow, 3> document_templates {{
    {0, {128, 129, 130}},
    {1, {131, 131, 131}},
    {2, {132, 443, 443}},
}};

unsigned template_string_id(int index, int edit_mode);

// Adds the three templates with the strings of the edit mode, in order, and stores each
// one's extension under its index. Factories missing for a kind make a template that
// opens nothing until that document class exists.
void register_document_templates(platform::ui::DocManager& manager, const platform::strings::string_table& strings,
    int edit_mode, const std::array<platform::ui::DocTemplate::Factories, 3>& factories);

}

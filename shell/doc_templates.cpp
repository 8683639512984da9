#include "shell/doc_templates.h"

namespace shell {

unsigned template_string_id(int index, int edit_mode)
{
    auto mode = static_cast<std::size_t>(edit_mode >= 0 && edit_mode <= 2 ? edit_mode : 0);
    return document_templates.at(static_cast<std::size_t>(index)).string_id[mode];
}

void register_document_templates(platform::ui::DocManager& manager, const platform::strings::string_table& strings,
    int edit_mode, const std::array<platform::ui::DocTemplate::Factories, 3>& factories)
{
    using platform::ui::DocTemplate;
    for (const auto& row : document_templates) {
        unsigned id = template_string_id(row.index, edit_mode);
        manager.AddDocTemplate(std::make_unique<DocTemplate>(id, strings.text(id),
            factories[static_cast<std::size_t>(row.index)]));
        manager.set_extension(row.index, manager.templates().back()->GetDocString(DocTemplate::filterExt));
    }
}

}

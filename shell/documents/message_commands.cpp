#include "shell/documents/message_commands.h"

#include "core/log/trace_log.h"
#include "platform/files/atomic_write.h"
#include "shell/app_context.h"
#include "shell/documents/talverin_doc.h"
#include "shell/documents/talverin_doc_manager.h"

namespace shell {

void register_message_commands(AppContext& context, platform::ui::Application& app)
{
    auto& router = app.commands();
    router.on_update(ID_TEMPLATE_FIRST, ID_TEMPLATE_LAST, [&context](platform::ui::CmdUI& ui) {
        ui.SetText(context.current_config.GetTemplateName(ui.id - ID_TEMPLATE_FIRST));
    });
    router.on_command(ID_TEMPLATE_FIRST, ID_TEMPLATE_LAST, [&context, &app](int id) {
        const auto file = context.current_config.GetTemplateFile(id - ID_TEMPLATE_FIRST);
        auto* manager = app.doc_manager();
        if (file.empty() || !manager
            || manager->open_document_file(file) != platform::ui::DocManager::Outcome::opened)
            return;
        if (context.current_document)
            context.current_document->DetachFromFile();
    });
    router.on_command(ID_EDIT_LITE_BODY, [&context, &app](int) {
        auto* manager = dynamic_cast<CTalverinDocManager*>(app.doc_manager());
        auto* document = context.current_document;
        auto* view = document ? document->view() : nullptr;
        if (!manager || !view)
            return;
        platform::ui::WaitCursor wait(context.services.ui);
        constexpr int kind = 1;
        auto file = manager->GetDocFileName(kind, true);
        if (file.empty()) {
            auto page = view->page_text(page_flags_save);
            file = manager->MakeDocFileName(kind);
            if (!page || file.empty() || platform::files::atomic_write(file, *page, 0600)
                || !manager->SetDocFileName(kind, file)) {
                TRACE_LOG("CTalverinDoc::OnEditLiteBody() - no body file for the HTML-lite part\n");
                return;
            }
        }
        if (manager->open_document_file(file) != platform::ui::DocManager::Outcome::opened)
            TRACE_LOG("CTalverinDoc::OnEditLiteBody() - %s not opened\n", file.c_str());
    });
}

}

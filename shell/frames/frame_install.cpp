#include "shell/frames/frame_install.h"

#include "shell/documents/talverin_doc.h"
#include "shell/documents/talverin_doc_manager.h"
#include "shell/documents/wizard_doc.h"
#include "shell/frames/main_frame.h"
#include "shell/view/wizard_view.h"


namespace shell {

void install_frames(AppContext& context, FrameServices& services, std::function<platform::ui::DocManager*()> manager)
{
    if (!services.doc_file_exists) {
        services.doc_file_exists = [manager](int kind) {
            auto* documents = dynamic_cast<CTalverinDocManager*>(manager());
            return documents && documents->DocFileExists(kind);
        };
    }
    if (!services.in_working_folder) {
        services.in_working_folder = [manager](const std::string& path) {
            auto* documents = dynamic_cast<CTalverinDocManager*>(manager());
            return documents && lies_in_folder(path, documents->GetTempFolder());
        };
    }
    // The frame's active view and document, as the frames and their command route see them.
    auto active_view = [manager]() -> CWizardView* {
        auto* documents = manager();
        auto* frame = documents ? documents->frame() : nullptr;
        return frame ? dynamic_cast<CWizardView*>(frame->GetActiveView()) : nullptr;
    };
    if (!services.active_view)
        services.active_view = [active_view]() -> FrameView* { return active_view(); };
    if (!services.route.view) {
        services.route.view = [active_view]() -> platform::ui::CommandRouter* {
            auto* view = active_view();
            return view ? &view->commands() : nullptr;
        };
    }
    if (!services.route.document) {
        services.route.document = [manager]() -> platform::ui::CommandRouter* {
            auto* documents = manager();
            auto* frame = documents ? documents->frame() : nullptr;
            auto* document = frame ? frame->GetActiveDocument() : nullptr;
            if (auto* wizard = dynamic_cast<CWizardDoc*>(document))
                return &wizard->commands();
            if (auto* message = dynamic_cast<CTalverinDoc*>(document))
                return &message->commands();
            return nullptr;
        };
    }
    context.document_factories[0].frame = [&services] { return std::make_unique<CMainFrame>(services); };
    context.document_factories[2].frame = [&services] { return std::make_unique<CWizardFrame>(services); };
}

}

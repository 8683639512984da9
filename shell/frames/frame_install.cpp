#include "shell/frames/frame_install.h"

#include "shell/documents/talverin_doc_manager.h"
#include "shell/frames/main_frame.h"

#include <filesystem>

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
            if (!documents || documents->GetTempFolder().empty())
                return false;
            auto relative = std::filesystem::path(path).lexically_normal().lexically_relative(
                std::filesystem::path(documents->GetTempFolder()).lexically_normal());
            return !relative.empty() && *relative.begin() != ".." && relative != ".";
        };
    }
    context.document_factories[0].frame = [&services] { return std::make_unique<CMainFrame>(services); };
    context.document_factories[2].frame = [&services] { return std::make_unique<CWizardFrame>(services); };
}

}

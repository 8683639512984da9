#include "shell/documents/wizard_doc.h"

#include "core/files/file_path.h"
#include "core/log/trace_log.h"
#include "platform/files/atomic_write.h"
#include "platform/ui/message_queue.h"
#include "platform/ui/ui_host.h"
#include "shell/app_context.h"
#include "shell/documents/talverin_doc_manager.h"
#include "shell/view/wizard_view.h"

#include <filesystem>
#include <unistd.h>

namespace shell {

namespace {

constexpr unsigned IDS_EMPTY_TEXT = 3095;
constexpr unsigned IDS_SAVE_CHANGES = 61699; // "Save changes to %1?"

void remove_file(const std::string& path)
{
    // unlink: a link goes itself, its target stays.
    if (::unlink(path.c_str()) != 0 && errno != ENOENT)
        TRACE_LOG("CWizardDoc::PreCloseFrame() - cannot delete %s\n", path.c_str());
}

}

std::string path_with_extension(const std::string& path, const std::string& extension)
{
    core::file_path changed(path);
    changed.set_extension(extension);
    return changed.path();
}

bool lies_in_folder(const std::string& path, const std::string& folder)
{
    if (path.empty() || folder.empty())
        return false;
    std::error_code ec;
    auto absolute = std::filesystem::absolute(path, ec);
    if (ec)
        return false;
    auto parent = std::filesystem::canonical(absolute.parent_path(), ec);
    if (ec)
        return false;
    auto base = std::filesystem::canonical(folder, ec);
    if (ec)
        return false;
    return parent == base && absolute.filename() != "." && absolute.filename() != "..";
}

CWizardDoc::CWizardDoc(AppContext& context, CTalverinDocManager* manager)
    : Document(&context.services.ui), context_(context), manager_(manager)
{
    SetTitle(body_part_name());
    route_file_commands(commands_);
    commands_.on_command(ID_SAVE_AND_EXIT, [this](int) { OnSaveAndExit(); });
    commands_.on_command(ID_CANCEL_AND_EXIT, [this](int) { OnCancelAndExit(); });
}

std::string CWizardDoc::body_part_name() const
{
    try {
        return context_.services.ui.strings().text(GetBodyPartNameId());
    } catch (const std::exception&) {
        return {};
    }
}

bool CWizardDoc::OnOpenDocument(const std::string& path)
{
    if (::access(path.c_str(), R_OK) != 0)
        return false;
    SetPathName(path);
    return true;
}

void CWizardDoc::SetPathName(const std::string& path, bool add_to_recent)
{
    Document::SetPathName(path, add_to_recent);
    SetTitle(body_part_name());
}

CWizardView* CWizardDoc::FindWizardView() const
{
    for (auto* view : views())
        if (auto* wizard = dynamic_cast<CWizardView*>(view))
            return wizard;
    return nullptr;
}

bool CWizardDoc::IsModified()
{
    auto* view = FindWizardView();
    return view && view->IsDocumentDirty();
}

bool CWizardDoc::Serialize(const std::string& path)
{
    auto* view = FindWizardView();
    if (!view)
        return false;
    std::string markup;
    std::string text;
    try {
        markup = view->GetPageHTML(0x41);
        text = view->GetPageText(true);
    } catch (const std::exception& e) {
        TRACE_LOG("CWizardDoc::Serialize() - the page could not be read: %s\n", e.what());
        return false;
    }
    if (text.empty())
        text = context_.services.ui.strings().text(IDS_EMPTY_TEXT);
    if (auto ec = platform::files::atomic_write(path_with_extension(path, "htm"), markup, 0644)) {
        TRACE_LOG("CWizardDoc::Serialize() - %s\n", ec.message().c_str());
        return false;
    }
    if (auto ec = platform::files::atomic_write(path, text, 0644)) {
        TRACE_LOG("CWizardDoc::Serialize() - %s\n", ec.message().c_str());
        return false;
    }
    return true;
}

void CWizardDoc::OnCloseDocument()
{
    Document::OnCloseDocument();
    if (auto* queue = context_.services.ui.ui_queue()) {
        auto main = queue->main_window();
        if (main && queue->is_window(main)) {
            queue->show_window(main, true);
            queue->bring_to_front(main);
        }
    }
}

bool CWizardDoc::SaveModified()
{
    auto drop_file_in_mode_1 = [this] {
        if (context_.edit_mode == 1 && !GetPathName().empty())
            remove_file(GetPathName());
    };
    if (!IsModified()) {
        drop_file_in_mode_1();
        return true;
    }
    switch (context_.services.ui.message_box(IDS_SAVE_CHANGES,
        platform::prompts::MB_YESNOCANCEL | platform::prompts::MB_ICONEXCLAMATION, {body_part_name()})) {
    case platform::prompts::IDYES:
        if (!DoFileSave())
            return false;
        if (manager_)
            manager_->SetPendingChange(1);
        return true;
    case platform::prompts::IDNO:
        drop_file_in_mode_1();
        return true;
    default:
        return false;
    }
}

bool CWizardDoc::DoSave(const std::string& path, bool replace)
{
    if (!Document::DoSave(path, replace))
        return false;
    if (manager_ && !manager_->DocFileExists(2))
        manager_->SetDocFileName(2, GetPathName());
    return true;
}

void CWizardDoc::PreCloseFrame(int frame_kind)
{
    if (context_.edit_mode == 1 || (manager_ && manager_->DocFileExists(frame_kind)))
        return;
    const auto& path = GetPathName();
    // Only a scratch file of ours goes; a file the user opened stays with its siblings.
    if (!manager_ || !lies_in_folder(path, manager_->GetTempFolder()))
        return;
    remove_file(path);
    remove_file(path_with_extension(path, "htm"));
    remove_file(path_with_extension(path, "tmp"));
}

void CWizardDoc::close_document()
{
    if (close_)
        close_();
    else
        OnCloseDocument();
}

void CWizardDoc::OnSaveAndExit()
{
    const bool modified = IsModified();
    if (!DoFileSave())
        return; // a failed or cancelled save keeps the document open, the flag as it was
    if (manager_)
        manager_->SetPendingChange(manager_->GetPendingChange() != 0 || modified ? 1 : 0);
    close_document();
}

void CWizardDoc::OnCancelAndExit()
{
    if (SaveModified())
        close_document();
}

bool CWizardDoc::OnCmdMsg(int id) { return commands_.execute(id); }

void install_text_document(AppContext& context, std::function<platform::ui::DocManager*()> manager)
{
    auto documents = [manager = std::move(manager)] { return dynamic_cast<CTalverinDocManager*>(manager()); };
    context.document_factories[2].document = [&context, documents]() -> std::unique_ptr<platform::ui::Document> {
        return std::make_unique<CWizardDoc>(context, documents());
    };
    context.document_factories[2].view = [&context, documents]() -> std::unique_ptr<platform::ui::View> {
        return std::make_unique<CWizardView>(context, documents());
    };
}

}

#include "platform/ui/doc_manager.h"

#include "platform/strings/string_table.h"
#include "platform/ui/command_router.h"
#include "platform/ui/ui_host.h"

#include <algorithm>
#include <atomic>

namespace platform::ui {

std::array<std::string, 7> split_doc_strings(const std::string& text)
{
    std::array<std::string, 7> fields;
    std::size_t start = 0;
    for (std::size_t i = 0; i < fields.size() && start <= text.size(); ++i) {
        auto end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        fields[i] = text.substr(start, end - start);
        start = end + 1;
    }
    return fields;
}

namespace {

constexpr unsigned AFX_IDP_ASK_TO_SAVE = 61732; // "Save changes to %1?"

std::uint64_t next_document_serial()
{
    static std::atomic<std::uint64_t> last {0};
    return ++last;
}

}

Document::Document(UiHost* host) : host_(host), serial_(next_document_serial()) { }

bool Document::DoSave(const std::string& path, bool replace)
{
    std::string chosen = path;
    if (chosen.empty()) {
        if (!host_)
            return false;
        OpenFileRequest request;
        request.title = host_->strings().text(replace ? 61446 : 61447);
        request.save = true;
        request.default_name = title_;
        request.overwrite_prompt = true;
        auto answer = host_->open_file(request);
        if (!answer || answer->path.empty())
            return false;
        chosen = answer->path;
    }
    if (!OnSaveDocument(chosen))
        return false;
    if (replace)
        SetPathName(chosen);
    return true;
}

void Document::route_file_commands(CommandRouter& commands)
{
    commands.on_command(ID_FILE_SAVE, [this](int) { DoFileSave(); });
    commands.on_command(ID_FILE_SAVE_AS, [this](int) { DoSave({}, true); });
}

bool Document::OnSaveDocument(const std::string& path)
{
    if (!Serialize(path))
        return false;
    SetModifiedFlag(false);
    return true;
}

bool Document::Serialize(const std::string&) { return false; }

bool Document::SaveModified()
{
    if (!IsModified())
        return true;
    if (!host_)
        return false; // nobody can say the changes may go
    auto name = title_.empty() ? std::string("Untitled") : title_;
    switch (host_->message_box(AFX_IDP_ASK_TO_SAVE, MB_YESNOCANCEL | MB_ICONEXCLAMATION, {name})) {
    case IDYES:
        return DoFileSave();
    case IDNO:
        return true;
    default:
        return false;
    }
}

void Document::SetPathName(const std::string& path, bool)
{
    path_name_ = path;
    auto slash = path.find_last_of("/\\");
    title_ = slash == std::string::npos ? path : path.substr(slash + 1);
}

void Document::AddView(View& view)
{
    if (std::find(views_.begin(), views_.end(), &view) == views_.end()) {
        views_.push_back(&view);
        OnViewAdded(view);
    }
}

void Document::RemoveView(View& view) { std::erase(views_, &view); }

DocTemplate::DocTemplate(unsigned resource_id, const std::string& strings, Factories factories)
    : resource_id_(resource_id), strings_(split_doc_strings(strings)), factories_(std::move(factories))
{
}

void DocManager::AddDocTemplate(std::unique_ptr<DocTemplate> doc_template)
{
    templates_.push_back(std::move(doc_template));
}

namespace {

bool ends_with_no_case(const std::string& text, const std::string& suffix)
{
    if (suffix.empty() || text.size() < suffix.size())
        return false;
    return std::equal(suffix.rbegin(), suffix.rend(), text.rbegin(), [](char a, char b) {
        auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
        return lower(a) == lower(b);
    });
}

}

DocTemplate* DocManager::template_for(const std::string& path) const
{
    for (const auto& candidate : templates_) {
        if (ends_with_no_case(path, candidate->GetDocString(DocTemplate::filterExt)))
            return candidate.get();
    }
    return templates_.empty() ? nullptr : templates_.front().get();
}

DocManager::Outcome DocManager::open_document_file(const std::string& path)
{
    auto* chosen = template_for(path);
    if (!chosen || !chosen->can_create())
        return chosen ? Outcome::no_document_class : Outcome::failed;
    auto document = chosen->factories().document();
    if (!document || !document->OnOpenDocument(path))
        return Outcome::failed;
    return keep(*chosen, std::move(document)) ? Outcome::opened : Outcome::failed;
}

DocManager::Outcome DocManager::on_file_new()
{
    if (templates_.empty())
        return Outcome::failed;
    auto& first = *templates_.front();
    if (!first.can_create())
        return Outcome::no_document_class;
    auto document = first.factories().document();
    if (!document || !document->OnNewDocument())
        return Outcome::failed;
    return keep(first, std::move(document)) ? Outcome::opened : Outcome::failed;
}

bool DocManager::keep(const DocTemplate& doc_template, std::unique_ptr<Document> document)
{
    // The frame comes first, so the view's initial update finds it, as a view made inside
    // its frame does.
    const bool frame_is_new = !frame_;
    if (!make_frame(doc_template))
        return false;
    std::unique_ptr<View> view;
    if (doc_template.factories().view)
        view = doc_template.factories().view();
    if (view) {
        view->SetDocument(document.get());
        document->AddView(*view);
        view->AttachFrame(frame_.get());
        if (!view->OnInitialUpdate()) {
            view->AttachFrame(nullptr);
            document->RemoveView(*view);
            if (frame_is_new)
                frame_.reset(); // made for this document alone
            return false;
        }
    }
    // The old views go before the document they show.
    views_.clear();
    document_ = std::move(document);
    if (view)
        views_.push_back(std::move(view));
    if (frame_) {
        frame_->set_active_document(document_.get());
        frame_->SetActiveView(views_.empty() ? nullptr : views_.front().get());
        frame_->ActivateFrame();
    }
    return true;
}

bool DocManager::make_frame(const DocTemplate& shown_by)
{
    if (!frame_ && shown_by.factories().frame) {
        auto made = shown_by.factories().frame();
        if (!made || !made->LoadFrame(shown_by.resource_id()))
            return false;
        frame_ = std::move(made);
    }
    return true;
}

DocManager::Outcome process_shell_command(DocManager& manager, const ShellCommand& command)
{
    return command.kind == ShellCommand::Kind::file_open ? manager.open_document_file(command.file_name)
                                                         : manager.on_file_new();
}

}

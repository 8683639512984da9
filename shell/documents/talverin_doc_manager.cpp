#include "shell/documents/talverin_doc_manager.h"

#include "core/files/file_path.h"
#include "core/files/path_parts.h"
#include "core/log/trace_log.h"
#include "core/markup/ascii.h"
#include "platform/strings/string_table.h"
#include "shell/app_context.h"
#include "shell/documents/talverin_doc.h"
#include "shell/documents/file_dialog_ex.h"
#include "shell/documents/save_options_panel.h"
#include "shell/objects/shell_text.h"
#include "shell/settings.h"
#include "core/files/delete_path.h"
#include "shell/temporary_paths.h"

#include <unistd.h>

namespace shell {

namespace {

constexpr const char* save_settings_section = "SaveSettings";

// The working folder: a fresh folder in the program's private temporary folder.
std::string make_working_folder()
{
    auto folder = core::temp_folder_name_init(core::standard_folder_path(0), "", false);
    return folder.path();
}

std::string trimmed(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

}

CTalverinDocManager::CTalverinDocManager(AppContext& context, ConversionServices& conversion)
    : context_(context), conversion_(conversion), working_folder_(make_working_folder()),
      dictionary_(conversion, working_folder_)
{
    TRACE_LOG("CTalverinDocManager::CTalverinDocManager() -- working folder %s\n", working_folder_.c_str());
    if (!core::LoadStandardDTD(dtd_, core::standard_dtd_folder(context_.services.locations.resources))) {
        TRACE_LOG("CTalverinDocManager::CTalverinDocManager() -- markup declarations not loaded\n");
        dtd_.Clear();
    }
}

CTalverinDocManager::~CTalverinDocManager()
{
    if (auto failure = core::delete_temporary_path(working_folder_); !failure.empty())
        TRACE_LOG("CTalverinDocManager::~CTalverinDocManager() -- %s\n", failure.c_str());
    else
        TRACE_LOG("CTalverinDocManager::~CTalverinDocManager() -- working folder %s removed\n", working_folder_.c_str());
}

CTalverinDocManager::prompt_answer CTalverinDocManager::DoPromptFileName(std::string& file_name, unsigned title_id,
    bool open, const platform::ui::DocTemplate* doc_template)
{
    auto& host = context_.services.ui;
    const auto& strings = host.strings();
    auto& profile = context_.services.profile;
    CFileDialogEx dialog(open, host, attachments_in_use_);
    auto& request = dialog.request();
    request.initial_folder = profile.get_string(save_settings_section, "LastPath", "");

    std::unique_ptr<SaveOptionsPanel> panel;
    if (!open) {
        panel = std::make_unique<SaveOptionsPanel>(context_.services.dialogs.get(IDD_SAVE_OPTIONS), host, *this,
            single_body_view_);
        request.panel = panel.get();
    }
    request.title = strings.text(title_id);

    if (!doc_template && !templates().empty())
        doc_template = templates().front().get();
    std::string filter;
    if (doc_template) {
        const auto& name = doc_template->GetDocString(platform::ui::DocTemplate::filterName);
        const auto& extension = doc_template->GetDocString(platform::ui::DocTemplate::filterExt);
        if (!name.empty() && !extension.empty()) {
            filter += name + "|*" + extension + "|";
            request.filter_index = 1;
            request.default_extension = extension.front() == '.' ? extension.substr(1) : extension;
        }
    }
    if (open) {
        filter += strings.text(IDS_HTML_FILTER) + "|*.htm;*.html|";
        filter += strings.text(IDS_TEXT_FILTER) + "|*.txt|";
        filter += strings.text(IDS_ALL_FILES_FILTER) + "|*.*|";
    }
    request.filter = filter + "|";

    const std::int32_t mask_before = save_mask_;
    auto choice = dialog.DoModal();
    if (choice && choice->filter_index <= 3)
        filter_index_ = choice->filter_index;
    if (!choice) {
        save_mask_ = mask_before;
        return prompt_answer::cancelled;
    }
    if (choice->skipped)
        return prompt_answer::skipped;

    file_name = choice->path;
    if (!open) {
        document_name_ = core::encode_path_as_name(remove_extension(file_name));
        if (!write_save_mask(profile, document_name_, std::to_string(save_mask_)))
            TRACE_LOG("CTalverinDocManager::DoPromptFileName() -- SaveMask not written for %s\n", document_name_.c_str());
    }
    if (profile.write_string(save_settings_section, "LastPath", core::file_path(file_name).parent_folder())
        != platform::registry::status::ok)
        TRACE_LOG("CTalverinDocManager::DoPromptFileName() -- LastPath not written\n");
    return prompt_answer::chosen;
}

platform::ui::DocManager::Outcome CTalverinDocManager::on_file_new()
{
    if (templates().empty()) {
        TRACE_LOG("Error: no document templates registered with CWinApp.\n");
        context_.services.ui.message_box(IDS_NO_DOCUMENT_CREATED, platform::ui::MB_OK);
        return Outcome::failed;
    }
    save_mask_ = 1;
    document_name_.clear();
    context_.object_counters.reset();
    auto made = DocManager::on_file_new();
    if (made == Outcome::opened)
        context_.current_document = dynamic_cast<CTalverinDoc*>(current_document());
    return made;
}

platform::ui::DocManager::Outcome CTalverinDocManager::open_document_file(const std::string& path)
{
    auto opened = DocManager::open_document_file(path);
    if (opened == Outcome::opened)
        context_.current_document = dynamic_cast<CTalverinDoc*>(current_document());
    return opened;
}

std::string CTalverinDocManager::GetDocFileName(int kind, bool full_path) const
{
    auto found = body_files_.find(kind);
    if (found == body_files_.end() || found->second.empty())
        return {};
    return full_path ? core::path_combine(working_folder_, found->second) : found->second;
}

bool CTalverinDocManager::SetDocFileName(int kind, const std::string& path)
{
    auto name = core::file_path(path).file_name();
    if (name.empty() || name == "." || name == "..")
        return false;
    body_files_[kind] = name;
    return true;
}

bool CTalverinDocManager::DocFileExists(int kind) const
{
    auto path = GetDocFileName(kind, true);
    return !path.empty() && core::file_path(path).exists();
}

std::string CTalverinDocManager::MakeDocFileName(int kind) const
{
    auto made = core::temp_file_name_init(working_folder_, "", "tmp", false, "qbw");
    if (made.path().empty())
        return {};
    auto extension = extensions().find(kind);
    return replace_extension(made.path(), extension == extensions().end() ? std::string() : extension->second);
}

void CTalverinDocManager::DeleteDocFile(int kind)
{
    auto path = GetDocFileName(kind, true);
    if (!path.empty()) {
        ::unlink(path.c_str());
        if (kind == 1 || kind == 2)
            ::unlink(replace_extension(path, ".htm").c_str());
        ::unlink(replace_extension(path, ".tmp").c_str());
    }
    body_files_.erase(kind);
}

void CTalverinDocManager::DeleteDocFiles()
{
    for (int kind = 0; kind < 3; ++kind)
        DeleteDocFile(kind);
    body_files_.clear();
}

int CTalverinDocManager::GetTemplateIndexByExtension(const std::string& extension) const
{
    const auto wanted = trimmed(extension);
    for (int index = 0; index < 3; ++index) {
        auto stored = extensions().find(index);
        if (stored != extensions().end() && core::equal_ignoring_case(stored->second, wanted))
            return index;
    }
    return 3;
}

void CTalverinDocManager::SetDocumentName(const std::string& name)
{
    document_name_ = name;
    save_mask_ = name.empty() ? 1 : read_save_mask(context_.services.profile, name, 1);
}

std::string CTalverinDocManager::AdjustDictContent(int kind, std::string_view body, unsigned flags)
{
    TRACE_LOG("Function AdjustDictContent()\n");
    if (flags & scan_record)
        dictionary_.ClearBodyDictionary(kind);
    // The open message's Pull_Files folder, where click-to pages are found when their own
    // path is gone.
    std::string pull_folder;
    if (!document_name_.empty())
        pull_folder = core::path_combine(core::decode_path_from_name(document_name_) + "_files", "Pull_Files");
    BodyScanner scanner({dtd_, dictionary_, context_.redirector_path, pull_folder, &context_.object_counters});
    return scanner.ScanBodyObjects(kind, body, dictionary_.referenced(kind), flags, false);
}

bool is_body_kind_in_save_mask(const CTalverinDocManager& manager, int kind)
{
    return kind >= 0 && kind < 31 && (manager.save_mask() & (1 << kind)) != 0;
}

}

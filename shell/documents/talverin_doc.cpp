#include "shell/documents/talverin_doc.h"

#include "broadcast/form_site/register_dlg.h"
#include "core/log/trace_log.h"
#include "core/markup/ascii.h"
#include "core/markup/copying_callback.h"
#include "core/files/file_path.h"
#include "platform/files/atomic_write.h"
#include "platform/files/regular_file.h"
#include "shell/app_context.h"
#include "shell/documents/importing_prompt_dlg.h"
#include "shell/documents/recent_forms.h"
#include "shell/documents/save_results_page.h"
#include "shell/documents/talverin_doc_manager.h"
#include "shell/objects/object_file_name.h"
#include "shell/objects/shell_text.h"

#include <algorithm>
#include <filesystem>
#include <set>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace shell {

namespace fs = std::filesystem;
using platform::ui::IDCANCEL;
using platform::ui::IDNO;
using platform::ui::IDYES;
using platform::ui::MB_ICONERROR;
using platform::ui::MB_ICONEXCLAMATION;
using platform::ui::MB_OK;
using platform::ui::MB_YESNOCANCEL;

namespace {

constexpr unsigned IDS_IMPORT_PROMPT = 34980;
constexpr unsigned IDS_MESSAGE_FOLDER_MISSING = 34981;
constexpr unsigned IDS_FAILED_TO_OPEN = 34982;
constexpr unsigned IDS_CLICKTO_CHANGED = 34983;
constexpr unsigned IDS_NO_SUBMIT_BUTTON = 34984;
constexpr unsigned IDS_SAVE_FAILED = 34985;
constexpr unsigned AFX_IDS_APP_TITLE = 57344;
constexpr unsigned AFX_IDS_SAVEFILECOPY = 61447;
constexpr int IDC_SEND = CImportingPromptDlg::IDC_SEND;
// The largest page or body file the document reads.
constexpr std::size_t max_page_size = 256u * 1024 * 1024;

bool is_file(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool is_folder(const std::string& path)
{
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string file_name_of(const std::string& path) { return fs::path(path).filename().string(); }

std::string current_folder()
{
    std::error_code ec;
    auto folder = fs::current_path(ec);
    return ec ? std::string("/") : folder.string();
}

// The path's own extension equals the given one, case ignored.
bool same_extension(const std::string& path, const std::string& extension)
{
    auto dot = path.rfind('.');
    auto slash = path.find_last_of('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return extension.empty();
    return core::equal_ignoring_case(std::string_view(path).substr(dot), extension);
}

// The regular files of a folder, sorted by name.
std::vector<std::string> files_in(const std::string& folder)
{
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator walk(folder, ec), end; !ec && walk != end; walk.increment(ec)) {
        if (walk->symlink_status(ec).type() == fs::file_type::regular)
            names.push_back(walk->path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

constexpr const char* part_labels[] = {"HTML", "HTML-lite", "Text"};

}

CTalverinDoc::CTalverinDoc(AppContext& context, CTalverinDocManager& manager)
    : Document(&context.services.ui), context_(context), manager_(manager)
{
    route_file_commands(commands_);
}

CTalverinDoc::~CTalverinDoc()
{
    if (context_.current_document == this)
        context_.current_document = nullptr;
}

MessageView* CTalverinDoc::view() const
{
    for (auto* candidate : views()) {
        if (auto* message = dynamic_cast<MessageView*>(candidate))
            return message;
    }
    return nullptr;
}

void CTalverinDoc::DetachFromFile()
{
    doc_path_.clear();
    manager_.SetDocumentName({});
    SetPathName({}, false);
    SetModifiedFlag(true);
}

void CTalverinDoc::show(const std::string& page)
{
    if (auto* message_view = view()) {
        message_view->show_page(page);
        page_to_show_.reset();
    } else {
        page_to_show_ = page;
    }
}

void CTalverinDoc::OnViewAdded(platform::ui::View& added)
{
    auto* message_view = dynamic_cast<MessageView*>(&added);
    if (message_view && page_to_show_) {
        message_view->show_page(*page_to_show_);
        page_to_show_.reset();
    }
}

std::string CTalverinDoc::anchor_extension() const
{
    const auto& templates = manager_.templates();
    if (!templates.empty()) {
        const auto& extension = templates.front()->GetDocString(platform::ui::DocTemplate::filterExt);
        if (!extension.empty())
            return extension;
    }
    return context_.edit_mode == 1 ? ".greetings" : ".htm";
}

std::optional<document_files> CTalverinDoc::files_for(const std::string& base) const
{
    return document_files_for(base, anchor_extension(), manager_.dictionaries_folder());
}

std::string CTalverinDoc::GetDocumentFilePath(bool full)
{
    if (doc_path_.empty())
        return {};
    const auto anchor = doc_path_ + anchor_extension();
    if (!ensure_anchor(anchor))
        TRACE_LOG("CTalverinDoc::GetDocumentFilePath() - cannot write the placeholder %s\n", anchor.c_str());
    return full ? anchor : file_name_of(anchor);
}

std::string CTalverinDoc::GetMessagePartPath(int kind)
{
    auto path = message_part_path(doc_path_, kind, manager_.dictionaries_folder());
    if (!path.empty()) {
        std::error_code ec;
        fs::create_directories(fs::path(path).parent_path(), ec);
    }
    return path;
}

bool CTalverinDoc::HasMessageParts() const
{
    if (doc_path_.empty())
        return false;
    for (int kind = 0; kind < 3; ++kind) {
        if (is_body_kind_in_save_mask(manager_, kind)
            && !is_file(message_part_path(doc_path_, kind, manager_.dictionaries_folder())))
            return false;
    }
    return true;
}

bool CTalverinDoc::IsModified()
{
    if (Document::IsModified() || manager_.GetPendingChange())
        return true;
    auto* message_view = view();
    return message_view && !message_view->is_page_unchanged(saved_page_);
}

void CTalverinDoc::SetPathName(const std::string& path, bool add_to_recent)
{
    if (context_.edit_mode == 2) {
        Document::SetPathName(path, add_to_recent);
        return;
    }
    const auto anchor = GetDocumentFilePath(true);
    Document::SetPathName(anchor, add_to_recent);
    SetTitle(remove_extension(source_name_));
    if (add_to_recent && !anchor.empty() && context_.recent_files)
        context_.recent_files->Add(anchor);
}

bool CTalverinDoc::OnNewDocument()
{
    auto& dictionary = manager_.dictionary();
    for (int kind = 0; kind < 3; ++kind) {
        dictionary.ClearKnownDictionary(kind);
        dictionary.ClearBodyDictionary(kind);
    }
    manager_.ClearPushFiles();
    manager_.DeleteDocFiles();
    manager_.SetPendingChange(0);
    saved_page_.clear();
    source_name_.clear();
    doc_path_.clear();
    SetModifiedFlag(false);
    if (auto* message_view = view())
        message_view->navigate_to_start_page();
    return true;
}

bool CTalverinDoc::OnOpenDocument(const std::string& path)
{
    switch (context_.edit_mode) {
    case 2: {
        auto page = platform::files::read_regular_file(path, max_page_size);
        if (page.result != platform::files::regular_file::outcome::read) {
            context_.services.ui.message_box(IDS_FAILED_TO_OPEN, MB_OK | MB_ICONERROR);
            return false;
        }
        doc_path_ = path;
        source_name_ = file_name_of(path);
        saved_page_ = page.bytes;
        show(saved_page_);
        SetModifiedFlag(false);
        return true;
    }
    case 1:
        doc_path_ = document_base_path(path, current_folder());
        return common_load(path);
    default:
        return open_message_mode0(path);
    }
}

bool CTalverinDoc::open_message_mode0(const std::string& path)
{
    if (IsModified())
        TRACE_LOG("Warning: OnOpenDocument replaces an unsaved document.\n");
    const auto base = document_base_path(path, current_folder());
    const auto files = files_for(base);
    if (!files) {
        context_.services.ui.message_box(IDS_SAVE_FAILED, MB_OK | MB_ICONERROR,
            {"the path \"" + base + "\" is too long to name its files"});
        return false;
    }
    if (auto problem = recover_document(*files); !problem.empty()) {
        TRACE_LOG("CTalverinDoc::OnOpenDocument() - recovery failed: %s\n", problem.c_str());
        context_.services.ui.message_box(IDS_SAVE_FAILED, MB_OK | MB_ICONERROR, {problem});
        return false;
    }
    if (is_file(files->body_parts)) {
        if (!is_folder(files->companion)) {
            // The body-parts file stays: the folder may only be out of reach for now.
            context_.services.ui.message_box(IDS_MESSAGE_FOLDER_MISSING, MB_OK | MB_ICONERROR,
                {files->companion, files->body_parts});
            return false;
        }
        doc_path_ = base;
        return common_load(path);
    }
    if (is_file(path))
        return import_file(path);
    return false;
}

bool CTalverinDoc::common_load(const std::string& page_path)
{
    const auto files = files_for(doc_path_);
    if (!files)
        return false;
    (void)GetDocumentFilePath(true);
    if (!load_body(page_path, *files)) {
        context_.services.ui.message_box(IDS_FAILED_TO_OPEN, MB_OK | MB_ICONERROR);
        return false;
    }
    if (context_.edit_mode == 0)
        manager_.SetDocumentName(fs::path(files->body_parts).stem().string());
    source_name_ = file_name_of(page_path);
    // File Save writes back to the page opened.
    SetPathName(page_path);
    SetModifiedFlag(false);
    show(saved_page_);
    return true;
}

bool CTalverinDoc::load_body(const std::string& page_path, const document_files& files)
{
    if (!is_file(files.body_parts)) {
        // A page never saved as a message (a greetings page): its text is the HTML body.
        auto page = platform::files::read_regular_file(page_path, max_page_size);
        if (page.result != platform::files::regular_file::outcome::read)
            return false;
        manager_.DeleteDocFiles();
        auto body = manager_.MakeDocFileName(0);
        if (body.empty() || !manager_.SetDocFileName(0, body)
            || platform::files::atomic_write(body, page.bytes, 0600))
            return false;
        saved_page_ = page.bytes;
        return true;
    }
    if (!manager_.LoadBodyParts(files.body_parts))
        return false;
    auto body = platform::files::read_regular_file(manager_.GetDocFileName(0, true), max_page_size);
    if (body.result != platform::files::regular_file::outcome::read)
        return false;
    saved_page_ = body.bytes;
    return manager_.ExchangeDictionary(0, join_path(files.companion, "Pull_Files"),
        join_path(files.companion, "Push_Files"), files.manifest);
}

bool CTalverinDoc::import_file(const std::string& path)
{
    const auto& seams = context_.document_seams;
    auto& ui = context_.services.ui;
    CImportingPromptDlg prompt(context_.services.dialogs.get(CImportingPromptDlg::IDD), ui,
        ui.strings().text(AFX_IDS_APP_TITLE), platform::ui::format_message(ui.strings().text(IDS_IMPORT_PROMPT), {path}),
        seams.make_job && seams.dispatcher);
    switch (prompt.DoModal()) {
    case IDYES: {
        std::optional<std::string> body;
        if (seams.import_page) {
            body = seams.import_page(path);
        } else {
            auto page = platform::files::read_regular_file(path, max_page_size);
            if (page.result == platform::files::regular_file::outcome::read)
                body = std::move(page.bytes);
        }
        if (!body) {
            ui.message_box(IDS_FAILED_TO_OPEN, MB_OK | MB_ICONERROR);
            return false;
        }
        manager_.DeleteDocFiles();
        auto file = manager_.MakeDocFileName(0);
        if (file.empty() || !manager_.SetDocFileName(0, file) || platform::files::atomic_write(file, *body, 0600)) {
            ui.message_box(IDS_FAILED_TO_OPEN, MB_OK | MB_ICONERROR);
            return false;
        }
        doc_path_.clear();
        saved_page_.clear();
        source_name_ = file_name_of(path);
        SetPathName({}, false);
        show(*body);
        SetModifiedFlag(true); // a new message, never saved
        return true;
    }
    case IDC_SEND:
        if (seams.make_job && seams.dispatcher) {
            if (auto job = seams.make_job(path)) {
                seams.dispatcher->DispatchBroadcast(std::move(*job));
                context_.sent_file = path;
            }
        }
        return false;
    default:
        return false;
    }
}

bool CTalverinDoc::SaveModified()
{
    switch (context_.edit_mode) {
    case 1:
        if (!doc_path_.empty() && context_.discard_on_close) {
            for (int kind = 0; kind < 3; ++kind)
                ::unlink(message_part_path(doc_path_, kind, manager_.dictionaries_folder()).c_str());
        }
        return doc_path_.empty() || DoFileSave();
    case 2:
        if (!IsModified())
            return true;
        switch (context_.services.ui.message_box(IDS_CLICKTO_CHANGED, MB_YESNOCANCEL | MB_ICONEXCLAMATION)) {
        case IDYES:
            return DoFileSave();
        case IDNO:
            return true;
        default:
            return false;
        }
    default:
        return Document::SaveModified();
    }
}

void CTalverinDoc::report_save_failure(const std::string& reason)
{
    TRACE_LOG("CTalverinDoc::DoSave() - %s\n", reason.c_str());
    context_.services.ui.message_box(IDS_SAVE_FAILED, MB_OK | MB_ICONERROR, {reason});
}

bool CTalverinDoc::DoSave(const std::string& path, bool replace)
{
    auto* message_view = view();
    if (!message_view || !message_view->page_text(page_flags_save))
        return false;
    if (message_view->form_creation_mode() && !ask_form_name())
        return false;
    platform::ui::WaitCursor wait(context_.services.ui);
    if (context_.edit_mode == 2)
        return save_clickto_page(path.empty() ? doc_path_ : path);
    if (context_.edit_mode == 1 && !save_greetings_body())
        return false;

    std::string name = path;
    if (name.empty()) {
        const auto* first = manager_.templates().empty() ? nullptr : manager_.templates().front().get();
        switch (manager_.DoPromptFileName(name, replace ? AFX_IDS_SAVEFILE : AFX_IDS_SAVEFILECOPY, false, first)) {
        case CTalverinDocManager::prompt_answer::cancelled:
            return false;
        case CTalverinDocManager::prompt_answer::skipped:
            return true; // the user chose, in this very dialog, to leave the document as it is
        case CTalverinDocManager::prompt_answer::chosen:
            break;
        }
        if (name.empty())
            return false;
        if (!same_extension(name, anchor_extension()))
            name += anchor_extension();
    }
    if (!OnSaveDocument(name))
        return false;
    if (replace) {
        doc_path_ = document_base_path(name, current_folder());
        if (context_.edit_mode == 0) {
            if (auto flat = flat_document_name(doc_path_))
                manager_.SetDocumentName(*flat);
        }
        source_name_ = file_name_of(name);
        SetPathName(name, true);
        if (manager_.display_results())
            context_.services.ui.shell_open(GetDocumentFilePath(true));
    }
    for (int kind = 1; kind < 3; ++kind) {
        auto file = manager_.GetDocFileName(kind, true);
        if (!file.empty() && !is_file(replace_extension(file, ".htm")))
            manager_.DeleteDocFile(kind);
    }
    return true;
}

bool CTalverinDoc::OnSaveDocument(const std::string& path)
{
    if (path.empty() || !Serialize(path))
        return false;
    SetModifiedFlag(false);
    manager_.SetPendingChange(0);
    return true;
}

bool CTalverinDoc::Serialize(const std::string& path)
{
    if (context_.edit_mode == 2)
        return false;
    auto* message_view = view();
    auto page = message_view ? message_view->page_text(page_flags_store) : std::nullopt;
    if (!page)
        return false;
    const auto base = document_base_path(path, current_folder());
    const auto files = files_for(base);
    if (!files) {
        report_save_failure("the path \"" + base + "\" is too long to name its files");
        return false;
    }
    // The page goes into the HTML body file first, so that every copy made of the body
    // below is this save's page.
    auto stored = *page;
    manager_.StripObjectMarkers(stored, 0);
    auto html_body = manager_.GetDocFileName(0, true);
    if (html_body.empty()) {
        html_body = manager_.MakeDocFileName(0);
        if (html_body.empty() || !manager_.SetDocFileName(0, html_body)) {
            report_save_failure("no body file can be made in " + manager_.GetTempFolder());
            return false;
        }
    }
    // The working copy needs no flush: the saved document gets its own, flushed copy below.
    if (auto error = platform::files::atomic_replace(html_body, stored, 0600)) {
        report_save_failure("\"" + html_body + "\": " + error.message());
        return false;
    }

    try {
        SaveTransaction transaction(*files, save_hook_);
        const auto& staged = transaction.staged();
        const auto parts = join_path(staged.companion, "Message_Files");
        const auto pull = join_path(staged.companion, "Pull_Files");
        const auto push = join_path(staged.companion, "Push_Files");
        for (const auto& folder : {parts, pull, push}) {
            std::error_code ec;
            fs::create_directories(folder, ec);
            if (ec) {
                report_save_failure("\"" + folder + "\": " + ec.message());
                return false;
            }
        }
        for (int kind = 0; kind < 3; ++kind) {
            const bool wanted = manager_.write_every_part()
                || (context_.edit_mode == 0 && is_body_kind_in_save_mask(manager_, kind))
                || (context_.edit_mode == 1 && !context_.discard_on_close);
            const auto source = manager_.GetDocFileName(kind, true);
            if (!wanted || source.empty() || !is_file(source))
                continue;
            std::error_code ec;
            fs::copy_file(source, join_path(parts, message_part_name(kind)), ec);
            if (ec) {
                report_save_failure("\"" + source + "\": " + ec.message());
                return false;
            }
        }
        if (!manager_.SaveBodyParts(staged.body_parts)) {
            report_save_failure("\"" + staged.body_parts + "\" could not be written");
            return false;
        }
        if (!manager_.ExchangeDictionary(1, pull, push, staged.manifest)) {
            report_save_failure("the message's object files could not be written into " + staged.companion);
            return false;
        }
        // Staging: the commit flushes it with the staged tree.
        if (auto error = platform::files::atomic_replace(staged.anchor, WriteSaveResultsPage(*files, staged.companion),
                0644)) {
            report_save_failure("\"" + staged.anchor + "\": " + error.message());
            return false;
        }
        if (auto problem = transaction.commit(); !problem.empty()) {
            report_save_failure(problem);
            return false;
        }
    } catch (const std::runtime_error& error) {
        report_save_failure(error.what());
        return false;
    }
    saved_page_ = *page;
    return true;
}

std::string CTalverinDoc::WriteSaveResultsPage(const document_files& files, const std::string& listed_companion) const
{
    save_results results;
    const auto base = remove_extension(files.anchor);
    results.project = file_name_of(base);
    results.generator = context_.services.ui.strings().text(AFX_IDS_APP_TITLE);
    results.qbb_file = file_name_of(base);
    results.companion = file_name_of(files.companion);
    for (int kind = 0; kind < 3; ++kind) {
        const auto name = std::string(message_part_name(kind));
        if (is_file(join_path(join_path(listed_companion, "Message_Files"), name)))
            results.parts.push_back({part_labels[kind], join_path(join_path(files.companion, "Message_Files"), name)});
    }
    results.pull_files = files_in(join_path(listed_companion, "Pull_Files"));
    results.push_files = files_in(join_path(listed_companion, "Push_Files"));
    return format_save_results_page(context_.services.ui.strings(), results);
}

bool CTalverinDoc::save_clickto_page(const std::string& path)
{
    auto* message_view = view();
    auto page = message_view->page_text(page_flags_save);
    if (!page || path.empty())
        return false;
    if (auto error = platform::files::atomic_write(path, *page, 0644)) {
        report_save_failure("\"" + path + "\": " + error.message());
        return false;
    }
    if (!context_.result_file_path.empty())
        write_picture_results();
    SetModifiedFlag(false);
    auto marked = message_view->page_text(page_flags_store).value_or(*page);
    saved_page_ = core::break_html_lines(marked, true, true, "", "\r\n");
    return true;
}

void CTalverinDoc::write_picture_results()
{
    // Copies of this run go into a folder of their own, one name each, so that pictures
    // with the same title, or another run's, never overwrite each other.
    std::string folder = (fs::temp_directory_path() / "talverin-pictures-XXXXXX").string();
    const bool have_folder = ::mkdtemp(folder.data()) != nullptr;
    std::set<std::string> given;
    std::string lines;
    for (const auto& [id, picture] : manager_.dictionary().known(0).pictures) {
        if (picture.pulled != 0) {
            lines += picture.source + "\n1\n";
            continue;
        }
        const auto& source = picture.source; // the working copy once the message is open
        const auto name = free_file_name(object_file_name(picture.title), given);
        const auto copy = join_path(folder, name);
        std::error_code ec;
        if (!have_folder || !fs::copy_file(source, copy, ec)) {
            TRACE_LOG("CTalverinDoc::DoSave() - picture %s not copied\n", source.c_str());
            continue;
        }
        given.insert(file_name_key(name));
        lines += copy + "\n0\n";
    }
    if (platform::files::atomic_write(context_.result_file_path, lines, 0644))
        TRACE_LOG("CTalverinDoc::DoSave() - result file %s not written\n", context_.result_file_path.c_str());
}

bool CTalverinDoc::save_greetings_body()
{
    auto* message_view = view();
    message_view->UpdateRedirectScript();
    auto page = message_view->page_text(page_flags_save);
    if (!page)
        return false;
    auto file = manager_.GetDocFileName(0, true);
    if (file.empty()) {
        file = manager_.MakeDocFileName(0);
        if (file.empty() || !manager_.SetDocFileName(0, file))
            return false;
    }
    if (auto error = platform::files::atomic_write(file, *page, 0600)) {
        report_save_failure("\"" + file + "\": " + error.message());
        return false;
    }
    return true;
}

bool CTalverinDoc::ask_form_name()
{
    auto& ui = context_.services.ui;
    auto* message_view = view();
    std::string name = message_view->form_field("KDV-form");
    bool registered_before = false;
    for (;;) {
        broadcast::CRegisterDlg ask(context_.services.dialogs.get(broadcast::CRegisterDlg::IDD), ui);
        ask.form_name = name;
        if (ask.DoModal() != platform::ui::IDOK)
            return false;
        name = ask.form_name;
        registered_before = is_recent_form(context_.services.profile, name);
        if (!registered_before)
            break;
        broadcast::CFormNameWarnDlg warn(context_.services.dialogs.get(broadcast::CFormNameWarnDlg::IDD), ui);
        if (warn.DoModal() == platform::ui::IDOK)
            break;
    }
    message_view->set_form_registration(name, context_.current_config.GetLogin());
    message_view->set_broadcast_form({name, registered_before ? 1 : 0});
    if (!message_view->has_submit_input())
        ui.message_box(IDS_NO_SUBMIT_BUTTON, MB_OK | MB_ICONEXCLAMATION);
    return true;
}

void install_message_document(AppContext& context, std::function<platform::ui::DocManager*()> manager)
{
    context.document_factories[0].document
        = [&context, manager = std::move(manager)]() -> std::unique_ptr<platform::ui::Document> {
        auto* documents = dynamic_cast<CTalverinDocManager*>(manager());
        if (!documents)
            return nullptr;
        return std::make_unique<CTalverinDoc>(context, *documents);
    };
}

}

#include "shell/view/wizard_view.h"

#include "core/files/file_path.h"
#include "core/log/trace_log.h"
#include "core/markup/copying_callback.h"
#include "core/markup/escape.h"
#include "core/url/file_url.h"
#include "core/url/url_text.h"
#include "core/vocab/object_kinds.h"
#include "core/vocab/pull_placeholders.h"
#include "conversion/objects/object_files.h"
#include "editing/document/anchor_keys.h"
#include "editing/document/block_keys.h"
#include "editing/document/marked_objects.h"
#include "platform/com/com_error.h"
#include "platform/ui/application.h"
#include "platform/ui/frame_resources.h"
#include "shell/app_context.h"
#include "shell/config/wizard_config_set.h"
#include "shell/documents/talverin_doc.h"
#include "shell/documents/talverin_doc_manager.h"
#include "shell/documents/wizard_doc.h"
#include "shell/view/clipboard_paste.h"

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <unistd.h>

namespace shell {

using platform::com::com_error;
using platform::com::failed;

namespace {

constexpr int OLECMDID_PRINT = 6;
constexpr int IDOK_ = 1;
constexpr int bookmark_delete = 1176;
constexpr unsigned IDS_TEXT_PREVIEW_TITLE = 20024;
constexpr unsigned IDS_BOOKMARK_INSERTED = 1166;
constexpr unsigned IDS_BOOKMARK_DELETED = 1167;
constexpr unsigned IDS_C2T_FORM_EXISTS = 33105;
constexpr unsigned IDS_C2T_BUTTON_EXISTS = 33106;
constexpr unsigned IDS_NO_SOURCE_VIEWER = 20990;
constexpr int key_ctrl = 17;

void throw_if_failed(html::hresult hr)
{
    if (failed(hr))
        throw com_error(hr);
}

bool file_exists(const std::string& path)
{
    std::error_code ec;
    return !path.empty() && std::filesystem::exists(path, ec);
}

// The picture of an object: the IMG carrying its id, else the first IMG inside the element
// carrying it.
html::element_ptr object_picture(const editing::document_pair& pair, const std::string& object_id)
{
    html::collection_ptr all;
    if (!editing::get_all_elements(pair, all) || !all)
        return nullptr;
    for (long i = 0; i < all->length(); ++i) {
        auto e = all->item(i);
        if (!e || editing::get_element_object_id(e) != object_id)
            continue;
        if (e->tag_name() == "IMG")
            return e;
        auto inner = e->all();
        auto images = inner ? inner->tags("IMG") : nullptr;
        if (images && images->length() > 0)
            return images->item(0);
    }
    return nullptr;
}

// A new empty file of ours in the program's private temporary folder.
core::file_path private_temp_file(std::string_view extension, bool remove_on_release)
{
    const auto folder = core::standard_folder_path(0);
    if (folder.empty())
        throw com_error(html::E_FAIL);
    auto temp = core::file_path_make_temp_name(folder, "", extension, remove_on_release);
    int fd = ::open(temp.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        temp.keep(); // not ours to remove
        throw com_error(html::E_FAIL);
    }
    ::close(fd);
    return temp;
}

}

unsigned get_save_page_flags(int edit_mode, bool extra)
{
    unsigned flags = edit_mode == 1 ? 9u : 1u;
    return extra ? flags + 16u : flags;
}

std::int32_t next_list_insert_number(std::int32_t counter, std::string_view page_text)
{
    std::int64_t n = static_cast<std::int64_t>(counter) + 1;
    if (!page_text.empty()) {
        std::int64_t largest = 0;
        std::size_t at = 0;
        while ((at = page_text.find("(I", at)) != std::string_view::npos) {
            at += 2;
            auto close = page_text.find(')', at);
            if (close == std::string_view::npos)
                break;
            std::int64_t value = 0;
            bool fits = true;
            for (std::size_t i = at; i < close && page_text[i] >= '0' && page_text[i] <= '9'; ++i) {
                value = value * 10 + (page_text[i] - '0');
                if (value >= INT32_MAX) {
                    fits = false; // its successor would not fit
                    break;
                }
            }
            if (fits && value > largest)
                largest = value;
        }
        n = largest + 1;
    }
    if (n > INT32_MAX)
        n = 1;
    return static_cast<std::int32_t>(n);
}

std::string text_preview_html(std::string_view page_text)
{
    auto escaped = core::escape_text(page_text, core::escape_mode::exact);
    std::string out;
    out.reserve(escaped.size());
    for (std::size_t i = 0; i < escaped.size(); ++i) {
        if (escaped[i] == '\r' && i + 1 < escaped.size() && escaped[i + 1] == '\n') {
            out += "<br>";
            ++i;
        } else {
            out += escaped[i];
        }
    }
    return out;
}

bool is_internet_address(std::string_view address)
{
    std::string path;
    return core::GetUrlPath(address, path);
}

CWizardView::CWizardView(AppContext& context, CTalverinDocManager* manager) : context_(context), manager_(manager)
{
    register_commands();
}

CWizardView::~CWizardView() { OnDestroy(); }

void CWizardView::OnDestroy()
{
    if (site_) {
        auto closing = std::move(site_);
        closing->Close(false);
    }
}

int CWizardView::GetDocumentKind() const
{
    if (dynamic_cast<CTalverinDoc*>(GetDocument()))
        return 0;
    if (auto* wizard = dynamic_cast<CWizardDoc*>(GetDocument()))
        return wizard->DocumentKind();
    return 2;
}

std::string CWizardView::document_path() const { return GetDocument() ? GetDocument()->GetPathName() : std::string(); }
int CWizardView::edit_mode() const { return context_.edit_mode; }
bool CWizardView::remove_redirect_link() const { return context_.remove_redirect_link != 0; }
const platform::ui::MenuResources* CWizardView::menus() const { return context_.services.menus; }

std::string CWizardView::load_string(unsigned id) const
{
    try {
        return context_.services.ui.strings().text(id);
    } catch (const std::exception&) {
        return {};
    }
}

void CWizardView::show_message(unsigned id, unsigned type) { context_.services.ui.message_box(load_string(id), type); }

bool CWizardView::OnInitialUpdate()
{
    if (!CreateSite("")) {
        context_.services.ui.message_box(IDS_NO_DOCUMENT_CREATED, platform::prompts::MB_OK | platform::prompts::MB_ICONEXCLAMATION);
        if (frame_)
            frame_->CloseFrame();
        return false;
    }
    LoadInitialPage();
    first_display_option_ = false;
    return true;
}

void CWizardView::LoadInitialPage()
{
    auto path = document_path();
    if (!path.empty() && file_exists(path))
        throw_if_failed(site_->Load(path));
    else
        LoadBlankPage();
}

bool CWizardView::CreateSite(std::string_view arg)
{
    auto site = std::make_unique<editing::CSite>(*this, context_.services.document_factory);
    if (!site->Create(arg)) {
        // Nothing half-made stays behind.
        site->Close(false);
        site_.reset();
        return false;
    }
    site->DoVerb(-1);
    site->Connect(std::make_unique<editing::CImpIDispatch>(*this), std::make_unique<editing::CImpIPropertyNotifySink>(*this));
    site_ = std::move(site);
    return true;
}

editing::document_pair CWizardView::GetHTMLDocument() { return site_ ? site_->pair() : editing::document_pair {}; }

html::hresult CWizardView::ExecCommand(int id, const html::value* in, html::value* out, bool prompt)
{
    if (!site_ || !site_->command_target())
        return 0;
    return site_->command_target()->exec(html::edit_command_group, id,
        prompt ? html::OLECMDEXECOPT_PROMPTUSER : html::OLECMDEXECOPT_DONTPROMPTUSER, in, out);
}

bool CWizardView::IsDocumentDirty() const { return site_ && site_->IsDirty(); }

std::string CWizardView::GetPageSource()
{
    if (!site_)
        return {};
    auto temp = private_temp_file("htm", true);
    throw_if_failed(site_->Save(temp.path(), false));
    std::ifstream in(temp.path(), std::ios::binary);
    if (!in)
        throw com_error(html::E_FAIL);
    std::string page((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad())
        throw com_error(html::E_FAIL);
    return page;
}

std::string CWizardView::GetPageHTML(unsigned flags)
{
    if (!site_)
        return {};
    auto source = GetPageSource();
    if (!manager_)
        return source;
    return manager_->AdjustDictContent(GetDocumentKind(), source, flags);
}

std::string CWizardView::GetPageText(bool adjust)
{
    auto pair = GetHTMLDocument();
    if (!pair.document)
        return {};
    auto body = pair.document->body();
    std::string text;
    if (!body || failed(body->inner_text(text)))
        return {};
    if (adjust && manager_)
        manager_->dictionary().CollectReferencedObjects(GetDocumentKind(), text);
    return text;
}

void CWizardView::LoadBlankPage()
{
    if (!site_)
        return;
    auto executable = core::program_path(true);
    if (executable.empty())
        return;
    throw_if_failed(site_->Load(editing::blank_page_address(executable)));
    context_.list_insert_counter = 0;
}

void CWizardView::ApplyEditOptions()
{
    const html::value first(first_display_option_);
    const html::value second(second_display_option_);
    throw_if_failed(ExecCommand(static_cast<int>(html::command::display_option_56), &first, nullptr, false));
    throw_if_failed(ExecCommand(static_cast<int>(html::command::display_option_23), &second, nullptr, false));
}

void CWizardView::GetElementAtPoint(html::element_ptr& element, std::string& tag_name)
{
    element = nullptr;
    tag_name.clear();
    if (site_)
        editing::element_from_point(GetHTMLDocument(), site_->context_menu_point(), element, tag_name);
}

void CWizardView::GetSelectionElement(html::element_ptr& element, std::string& tag_name)
{
    element = nullptr;
    tag_name.clear();
    auto pair = GetHTMLDocument();
    if (pair.document)
        editing::get_selected_control(pair, element, tag_name);
}

int CWizardView::GetAnchorNameAtPoint()
{
    html::element_ptr element;
    std::string tag_name;
    GetElementAtPoint(element, tag_name);
    if (!element || !element->has(html::facet::anchor))
        return 0;
    html::value name;
    if (failed(element->get(html::facet::anchor, "name", name)))
        return 0;
    return static_cast<int>(name.to_text().size());
}

bool CWizardView::IsSelectionInDiv()
{
    auto pair = GetHTMLDocument();
    return pair.document && editing::is_selection_in_div(pair);
}

namespace {

// Key operations run while no control is selected and no element but the BODY is active.
bool keys_may_run(const editing::document_pair& pair)
{
    return pair.document && !editing::is_control_selection(pair) && !editing::is_non_body_element_active(pair);
}

}

void CWizardView::InsertLineBreak()
{
    auto pair = GetHTMLDocument();
    if (keys_may_run(pair))
        editing::insert_line_break(pair);
}

void CWizardView::HandleEnterInBlock()
{
    auto pair = GetHTMLDocument();
    if (keys_may_run(pair))
        editing::on_enter_in_block(pair);
}

bool CWizardView::HandleDeleteKey(bool backspace)
{
    auto pair = GetHTMLDocument();
    if (GetDocumentKind() == 2 || !keys_may_run(pair))
        return false;
    return editing::on_delete_key(pair, backspace);
}

bool CWizardView::HandleKeyDown(int key_code, bool shift)
{
    auto pair = GetHTMLDocument();
    if (GetDocumentKind() != 0 || !keys_may_run(pair))
        return false;
    return editing::on_key_down(pair, key_code, shift);
}

void CWizardView::HandlePaste()
{
    auto pair = GetHTMLDocument();
    if (!pair.target)
        return;
    html::clipboard scratch;
    auto* clip = context_.services.clipboard ? context_.services.clipboard.get() : &scratch;
    shell::HandlePaste(pair, *clip, context_.fragment_importer);
}

void CWizardView::OnEditorMouseMove(int, int, int) { }

void CWizardView::ApplyFrameFont()
{
    if (frame_ && site_)
        frame_->ApplyFontCommand(*this);
}

void CWizardView::TrackContextMenu(const platform::ui::MenuModel& menu, html::point screen)
{
    platform::ui::MenuModel shown = *platform::ui::copy_menu(menu);
    commands_.update_menu(shown);
    int chosen = context_.services.ui.track_popup_menu(shown, screen.x, screen.y);
    if (chosen == 0)
        return;
    if (frame_)
        frame_->OnCmdMsg(chosen);
    else
        commands_.execute(chosen);
}

void CWizardView::ReportException(std::exception_ptr error) { platform::ui::report_exception(context_.services.ui, error); }
void CWizardView::BeginWaitCursor() { context_.services.ui.begin_wait_cursor(); }
void CWizardView::EndWaitCursor() { context_.services.ui.end_wait_cursor(); }

bool CWizardView::PreTranslateMessage(const platform::ui::message& msg)
{
    bool key = msg.id == platform::ui::WM_KEYDOWN || msg.id == platform::ui::WM_SYSKEYDOWN;
    auto* queue = context_.services.ui.ui_queue();
    bool ctrl = queue && queue->key_state(key_ctrl);
    if (key && ctrl && (msg.wparam == 'O' || msg.wparam == 'S'))
        return frame_ && frame_->PreTranslateMessage(msg);
    if (key && site_ && site_->document()) {
        bool shift = queue && queue->key_state(16);
        bool alt = queue && queue->key_state(18);
        if (site_->translate_accelerator(static_cast<int>(msg.wparam), ctrl, shift, alt))
            return true;
    }
    return frame_ && frame_->PreTranslateMessage(msg);
}

void CWizardView::StartObjectDownload(const std::string& local_path, const std::string& address, std::int32_t id,
    int kind, bool refresh)
{
    if (!context_.download_starter || !is_internet_address(address))
        return;
    if (!refresh && file_exists(local_path))
        return;
    context_.download_starter->start_object(local_path, address, id, kind, refresh, frame_ ? frame_->frame_window() : 0,
        document_serial());
}

void CWizardView::StartPullFileDownload(const std::string& pull_path, const std::string& picture_path,
    const std::string& pull_address, const std::string& picture_address, std::int32_t id, bool refresh_pull,
    bool refresh_picture)
{
    if (!context_.download_starter)
        return;
    auto needed = [](const std::string& address, const std::string& local, bool refresh) {
        return is_internet_address(address) && (refresh || !file_exists(local));
    };
    bool pull = needed(pull_address, pull_path, refresh_pull);
    bool picture = needed(picture_address, picture_path, refresh_picture);
    if (!pull && !picture)
        return;
    context_.download_starter->start_pull_file(pull ? pull_path : std::string(), picture ? picture_path : std::string(),
        pull ? pull_address : std::string(), picture ? picture_address : std::string(), id, refresh_pull,
        refresh_picture, frame_ ? frame_->frame_window() : 0, document_serial());
}

int CWizardView::PutDownloadedFile(int kind, std::int32_t id, const std::string& picture_path,
    const std::string& pull_path)
{
    auto pair = GetHTMLDocument();
    if (!pair.document || kind < 0 || kind >= static_cast<int>(core::object_kind_words.size()))
        return 0;
    int result = 0;
    const std::string object_id = std::string(core::object_kind_words[static_cast<std::size_t>(kind)]) + std::to_string(id);
    const std::string folder = manager_ ? manager_->GetTempFolder() : std::string();
    if (!picture_path.empty()) {
        if (auto picture = object_picture(pair, object_id)) {
            std::string name = std::filesystem::path(picture_path).filename().string();
            std::string source = lies_in_folder(picture_path, folder) ? name : core::make_file_url(picture_path);
            if (!failed(picture->set_attribute("src", html::value(source))))
                result |= 1;
        }
    }
    if (!pull_path.empty() && manager_) {
        auto& pulls = manager_->dictionary().known(GetDocumentKind()).pullfiles;
        if (auto found = pulls.find(id); found != pulls.end())
            conversion::set_object_file(found->second.file, pull_path);
    }
    return result;
}

void CWizardView::apply_browser_font(const std::string& face, int html_size)
{
    auto pair = GetHTMLDocument();
    if (!pair.target)
        return;
    editing::browser_font_command(face, html_size, 0).execute(pair);
}

void CWizardView::discard_undo_state()
{
    if (site_)
        site_->DoVerb(-6);
}

void CWizardView::set_body_text_color(const std::string& colour)
{
    auto pair = GetHTMLDocument();
    if (pair.document)
        editing::set_body_color(pair, colour);
}

void CWizardView::exec_editing_command(int command, std::int32_t value, int option)
{
    auto pair = GetHTMLDocument();
    if (pair.target)
        (void)editing::exec_edit_command_with_arg(pair, command, option, html::value(value));
}

void CWizardView::set_page_charset(const std::string& charset)
{
    auto pair = GetHTMLDocument();
    if (!pair.document || charset.empty())
        return;
    if (failed(pair.document->put_charset(charset)))
        TRACE_LOG("CWizardView::set_page_charset() -- the page keeps its charset, %s is refused\n", charset.c_str());
}

std::uint64_t CWizardView::document_serial() const { return GetDocument() ? GetDocument()->serial() : 0; }

void CWizardView::register_commands()
{
    for (int id : {ID_EDIT_CUT, ID_EDIT_COPY, ID_EDIT_UNDO, ID_EDIT_REDO})
        commands_.on_command(id, [this](int command) { OnEditCommand(command); });
    commands_.on_command(ID_EDIT_PASTE, [this](int) { HandlePaste(); });
    for (int id : {ID_EDIT_CUT, ID_EDIT_COPY, ID_EDIT_PASTE, ID_EDIT_UNDO, ID_EDIT_REDO})
        commands_.on_update(id, [this](platform::ui::CmdUI& ui) { OnUpdateEditCommand(ui); });
    commands_.on_command(ID_FILE_PRINT, [this](int) { OnFilePrint(); });
    commands_.on_update(ID_FILE_PRINT, [this](platform::ui::CmdUI& ui) {
        std::uint32_t flags = 0;
        auto pair = GetHTMLDocument();
        ui.Enable(pair.target && !failed(pair.target->query_status("", OLECMDID_PRINT, flags))
            && (flags & html::OLECMDF_ENABLED) != 0);
    });
    commands_.on_command(ID_CHECK_SPELLING, [this](int) { OnCheckSpelling(); });
    for (int id : {ID_INSERT_PICTURE, ID_INSERT_HYPERLINK, ID_INSERT_CLICKTO, ID_INSERT_SENDFRIEND, ID_INSERT_MAILTO,
             ID_INSERT_PULLFILE})
        commands_.on_command(id, [this](int command) { OnInsertObject(command); });
    commands_.on_command(ID_INSERT_BOOKMARK, [this](int) { OnInsertBookmark(); });
    commands_.on_command(ID_INSERT_LIST_ELEMENT, [this](int) { OnInsertListElement(); });
    commands_.on_command(ID_INSERT_C2T_FORM, [this](int command) { OnInsertClickToTalk(command); });
    commands_.on_command(ID_INSERT_C2T_BUTTON, [this](int command) { OnInsertClickToTalk(command); });
    commands_.on_command(ID_PREVIEW_AS_TEXT, [this](int) { OnPreviewAsText(); });
    commands_.on_command(ID_VIEW_SOURCE, [this](int) { OnViewSource(); });
    // The commands whose dialogs or services belong to other parts: enabled once bound.
    for (int id : {ID_CHECK_SPELLING, ID_INSERT_PICTURE, ID_INSERT_HYPERLINK, ID_INSERT_CLICKTO, ID_INSERT_SENDFRIEND,
             ID_INSERT_MAILTO, ID_INSERT_PULLFILE, ID_INSERT_BOOKMARK, ID_INSERT_C2T_FORM, ID_INSERT_C2T_BUTTON,
             ID_PREVIEW_AS_TEXT})
        commands_.on_update(id, [this](platform::ui::CmdUI& ui) { ui.Enable(has_object_service(ui.id)); });
}

bool CWizardView::has_object_service(int command) const
{
    return context_.view_objects && context_.view_objects->has(command);
}

void CWizardView::OnEditCommand(int id)
{
    int command = id == ID_EDIT_CUT ? 31 : id == ID_EDIT_COPY ? 30 : id == ID_EDIT_UNDO ? 58 : 52;
    auto pair = GetHTMLDocument();
    if (!pair.target)
        return;
    throw_if_failed(editing::exec_edit_command(pair, command, html::OLECMDEXECOPT_DONTPROMPTUSER));
}

void CWizardView::OnUpdateEditCommand(platform::ui::CmdUI& ui)
{
    int command = ui.id == ID_EDIT_PASTE ? 50
        : ui.id == ID_EDIT_CUT           ? 31
        : ui.id == ID_EDIT_COPY          ? 30
        : ui.id == ID_EDIT_UNDO          ? 58
                                         : 52;
    auto pair = GetHTMLDocument();
    std::uint32_t flags = 0;
    bool enabled = pair.target && !failed(pair.target->query_status(html::edit_command_group, command, flags))
        && (flags & html::OLECMDF_ENABLED) != 0;
    if (!enabled && (ui.id == ID_EDIT_PASTE || ui.id == ID_EDIT_CUT || ui.id == ID_EDIT_COPY)) {
        html::element_ptr element;
        std::string tag_name;
        GetElementAtPoint(element, tag_name);
        enabled = editing::is_object_tag(tag_name);
    }
    ui.Enable(enabled);
}

void CWizardView::OnFilePrint()
{
    auto pair = GetHTMLDocument();
    if (pair.target)
        (void)pair.target->exec("", OLECMDID_PRINT, 0, nullptr, nullptr);
}

void CWizardView::OnCheckSpelling()
{
    auto pair = GetHTMLDocument();
    if (!pair.document || !context_.view_objects)
        return;
    auto dictionary = core::path_combine(context_.services.locations.data, "user.dic");
    if (!file_exists(dictionary))
        std::ofstream(dictionary, std::ios::binary | std::ios::app);
    auto speller = context_.view_objects->make_speller(context_.settings.spell_checker, dictionary, context_.settings.lcid);
    if (!speller || !speller->Start()) {
        context_.services.ui.beep();
        return;
    }
    speller->Check(pair);
}

void CWizardView::OnInsertObject(int command)
{
    auto pair = GetHTMLDocument();
    if (!pair.document || !context_.view_objects)
        return;
    const int kind = GetDocumentKind();
    auto choice = context_.view_objects->run_insert_dialog(command, kind, pair);
    if (!choice)
        return;
    if (kind == 2 && command != ID_INSERT_PICTURE) {
        editing::paste_marked_html(pair, core::escape_text(choice->reference_text), true);
        return;
    }
    auto element = editing::insert_element_at_selection(pair,
        command == ID_INSERT_PICTURE ? html::tag_id::img : html::tag_id::a, true);
    if (!element || !choice->write || !choice->write(pair, element))
        return;
    if (command == ID_INSERT_PICTURE && !choice->text_after.empty())
        (void)element->insert_adjacent_html(html::adjacency::after_end, core::escape_text(choice->text_after));
    if (command == ID_INSERT_PULLFILE && !choice->size_placeholder.empty())
        (void)element->insert_adjacent_html(html::adjacency::after_end,
            "<!--with{" + choice->size_placeholder + "}-->" + core::escape_text(choice->size_text) + "<!--replace-->");
    switch (command) {
    case ID_INSERT_PICTURE:
        if (choice->object_download)
            StartObjectDownload(choice->object_download->local_path, choice->object_download->address,
                choice->object_id, 0, choice->object_download->refresh);
        break;
    case ID_INSERT_PULLFILE: {
        InsertChoice::Download none;
        const auto& pull = choice->object_download ? *choice->object_download : none;
        const auto& picture = choice->picture_download ? *choice->picture_download : none;
        StartPullFileDownload(pull.local_path, picture.local_path, pull.address, picture.address, choice->object_id,
            pull.refresh, picture.refresh);
        break;
    }
    default: {
        int object_kind = command == ID_INSERT_HYPERLINK ? 4
            : command == ID_INSERT_CLICKTO               ? 3
            : command == ID_INSERT_SENDFRIEND            ? 6
                                                         : 5;
        if (kind == 0 && choice->has_picture && choice->object_download)
            StartObjectDownload(choice->object_download->local_path, choice->object_download->address,
                choice->object_id, object_kind, choice->object_download->refresh);
        break;
    }
    }
}

void CWizardView::OnInsertBookmark()
{
    auto pair = GetHTMLDocument();
    if (!pair.document || !context_.view_objects)
        return;
    std::string anchor;
    html::element_ptr existing;
    int result = context_.view_objects->run_bookmark_dialog(pair, anchor, existing);
    if (result == IDOK_ && !anchor.empty()) {
        if (existing)
            throw_if_failed(existing->put_outer_html(anchor));
        else
            editing::paste_marked_html(pair, anchor, true);
        show_message(IDS_BOOKMARK_INSERTED, platform::prompts::MB_OK | platform::prompts::MB_ICONINFORMATION);
    } else if (result == bookmark_delete && existing) {
        throw_if_failed(existing->put_outer_html(""));
        show_message(IDS_BOOKMARK_DELETED, platform::prompts::MB_OK | platform::prompts::MB_ICONINFORMATION);
    }
}

void CWizardView::OnInsertListElement()
{
    auto pair = GetHTMLDocument();
    if (!pair.document)
        return;
    auto n = next_list_insert_number(context_.list_insert_counter, GetPageText(false));
    context_.list_insert_counter = n;
    editing::paste_marked_html(pair, "(I" + std::to_string(n) + ")", true);
}

void CWizardView::OnInsertClickToTalk(int command)
{
    auto pair = GetHTMLDocument();
    if (!pair.document || !context_.view_objects)
        return;
    if (context_.view_objects->has_click_to_talk(command, pair)) {
        show_message(command == ID_INSERT_C2T_FORM ? IDS_C2T_FORM_EXISTS : IDS_C2T_BUTTON_EXISTS,
            platform::prompts::MB_OK);
        return;
    }
    std::optional<CWizardConfigSet> set;
    CWizardConfig* config = &context_.current_config;
    if (context_.configuration) {
        set.emplace(*context_.configuration);
        if (auto* current = set->GetCurrentConfig())
            config = current;
    }
    std::string center = config->GetC2TCenter();
    std::string service = config->GetC2TService();
    if (!context_.view_objects->run_click_to_talk_dialog(command, pair, center, service))
        return;
    config->SetC2TCenter(center);
    config->SetC2TService(service);
    if (context_.configuration)
        (void)config->SaveToRegistry(*context_.configuration);
}

void CWizardView::OnPreviewAsText()
{
    if (!context_.view_objects)
        return;
    platform::ui::WaitCursor wait(context_.services.ui);
    context_.view_objects->show_text_preview(text_preview_html(GetPageText(false)), load_string(IDS_TEXT_PREVIEW_TITLE));
}

void CWizardView::OnViewSource()
{
    auto markup = GetPageHTML(get_save_page_flags(context_.edit_mode, false));
    auto laid_out = core::break_html_lines(markup, true, true, "", "\n");
    // A text file: the desktop opens ".htm" in a browser.
    auto temp = private_temp_file("txt", false);
    {
        int fd = ::open(temp.c_str(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW);
        if (fd < 0) {
            ::unlink(temp.c_str());
            throw com_error(html::E_FAIL);
        }
        std::size_t written = 0;
        while (written < laid_out.size()) {
            auto n = ::write(fd, laid_out.data() + written, laid_out.size() - written);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                ::close(fd);
                ::unlink(temp.c_str());
                throw com_error(html::E_FAIL);
            }
            written += static_cast<std::size_t>(n);
        }
        ::close(fd);
    }
    // The viewer reads it after we go on; the file goes at exit.
    context_.temporary_paths.add(temp.path());
    if (!context_.services.ui.shell_open(temp.path()))
        show_message(IDS_NO_SOURCE_VIEWER, platform::prompts::MB_OK | platform::prompts::MB_ICONEXCLAMATION);
}

}

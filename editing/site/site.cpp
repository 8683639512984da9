#include "editing/site/site.h"

#include "core/files/file_path.h"
#include "core/log/trace_log.h"
#include "core/markup/escape.h"
#include "editing/document/key_dispatch.h"
#include "platform/ui/frame_resources.h"

#include <fstream>
#include <iterator>

namespace editing {

using namespace html;

namespace {

constexpr int OLEIVERB_SHOW = -1;
constexpr int OLEIVERB_DISCARDUNDOSTATE = -6;
constexpr int key_tab = 9;
constexpr int menu_redirection_link = 33055;

bool starts_with(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

bool is_url(std::string_view url)
{
    return starts_with(url, "file:") || starts_with(url, "http:") || starts_with(url, "https:") || starts_with(url, "res:");
}

void cancel(event& e) { e.return_value = value(std::int16_t {0}); }

// Exactly the file's bytes; nothing when it cannot be read.
std::optional<std::string> read_whole_file(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad())
        return std::nullopt;
    return bytes;
}

}

int context_menu_id(int document_kind, int edit_mode)
{
    switch (document_kind) {
    case 0:
        return edit_mode == 1 ? 240 : edit_mode == 2 ? 242 : 173;
    case 1:
        return 243;
    default:
        return edit_mode == 1 ? 444 : 244;
    }
}

std::optional<platform::ui::MenuModel> build_context_menu(const platform::ui::MenuResources& menus,
    int document_kind, int edit_mode, bool remove_redirect_link)
{
    const int id = context_menu_id(document_kind, edit_mode);
    if (!menus.contains(id))
        return std::nullopt;
    auto bar = menus.make(id);
    if (!bar || bar->count() == 0 || !bar->at(0).submenu)
        return std::nullopt;
    platform::ui::MenuModel menu = *platform::ui::copy_menu(*bar->at(0).submenu);
    if (remove_redirect_link) {
        // By command, wherever it stands.
        std::vector<platform::ui::MenuModel*> pending {&menu};
        while (!pending.empty()) {
            auto* current = pending.back();
            pending.pop_back();
            current->delete_by_id(menu_redirection_link);
            for (std::size_t i = 0; i < current->count(); ++i)
                if (current->at(i).submenu)
                    pending.push_back(current->at(i).submenu.get());
        }
    }
    return menu;
}

int editor_mouse_flags(int button, bool shift, bool ctrl)
{
    int flags = button == 1 ? 1 : button == 2 ? 2 : button == 4 ? 16 : 0;
    if (ctrl)
        flags += 8;
    if (shift)
        flags += 4;
    return flags;
}

std::string text_file_page(std::string_view bytes)
{
    std::string text;
    text.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
            continue;
        text += bytes[i];
    }
    return "<html><body><pre>" + core::escape_text(text, core::escape_mode::exact) + "</pre></body></html>";
}

std::string companion_page_path(std::string_view document_path)
{
    core::file_path companion {std::string(document_path)};
    companion.set_extension("htm");
    return companion.path();
}

std::string blank_page_address(std::string_view executable)
{
    return "res://" + std::string(executable) + "/185";
}

CSite::CSite(site_owner& owner, document_factory factory) : owner_(owner), factory_(std::move(factory)) { }

CSite::~CSite() { Close(false); }

bool CSite::Create(std::string_view url)
{
    if (!factory_)
        return false;
    document_ = factory_(*this);
    if (!document_)
        return false;
    if (failed(Load(url))) {
        Close(false);
        return false;
    }
    return true;
}

hresult CSite::Load(std::string_view url)
{
    if (!document_)
        return E_UNEXPECTED;
    load_failure_ = S_OK;
    if (url.empty())
        return document_->init_new();
    if (is_url(url))
        return document_->load_url(url);
    if (!owner_.load_through_filter())
        return document_->load_file(url);
    auto bytes = read_whole_file(std::string(url));
    if (!bytes)
        return E_FAIL;
    return document_->load_bytes(text_file_page(*bytes), true);
}

void CSite::DoVerb(int verb)
{
    if (verb == OLEIVERB_DISCARDUNDOSTATE && document_)
        document_->discard_undo();
    // OLEIVERB_SHOW: the document activates itself when it first completes.
    (void)OLEIVERB_SHOW;
}

hresult CSite::Save(std::string_view path, bool remember)
{
    if (!document_)
        return E_UNEXPECTED;
    std::string target = path.empty() ? document_->current_file() : std::string(path);
    if (target.empty())
        return E_INVALIDARG;
    return document_->save(target, remember);
}

bool CSite::IsDirty() const { return document_ && document_->is_dirty(); }

void CSite::Close(bool save)
{
    target_ = nullptr;
    if (document_) {
        auto closing = std::move(document_);
        (void)closing->close(save);
    }
}

document_pair CSite::pair()
{
    if (!document_)
        return {};
    return {target_, document_.get()};
}

void CSite::Connect(std::unique_ptr<CImpIDispatch> events, std::unique_ptr<CImpIPropertyNotifySink> ready_state)
{
    events_ = std::move(events);
    ready_state_ = std::move(ready_state);
}

void CSite::on_activated(html::command_target& target)
{
    // The first command target is the one every editing command uses until Close.
    if (target_)
        return;
    target_ = &target;
    owner_.ApplyEditOptions();
}

void CSite::on_ready_state(int state)
{
    if (ready_state_)
        ready_state_->OnChanged(*this, state);
}

void CSite::on_load_failed(hresult why) { load_failure_ = failed(why) ? why : E_FAIL; }

void CSite::on_event(event& e)
{
    if (events_)
        events_->Invoke(*this, e);
}

bool CSite::translate_accelerator(int key_code, bool, bool, bool)
{
    if (key_code != key_tab || !document_)
        return false;
    auto selection = document_->selection();
    if (!selection)
        return false;
    auto range = selection->create_range();
    if (!range)
        return false; // a control selection: the component's Tab
    return succeeded(range->paste_html("&nbsp;&nbsp;&nbsp;&nbsp;"));
}

bool CSite::show_context_menu(point at)
{
    context_point_ = at;
    if (owner_.GetAnchorNameAtPoint() != 0)
        return true; // a bookmark: no menu
    const auto* menus = owner_.menus();
    if (!menus)
        return true;
    auto menu = build_context_menu(*menus, owner_.document_kind(), owner_.edit_mode(), owner_.remove_redirect_link());
    if (menu)
        owner_.TrackContextMenu(*menu, at);
    return true;
}

void CImpIDispatch::Invoke(CSite& site, event& e)
{
    switch (e.dispid) {
    case event_mouse_move:
    case event_mouse_down:
    case event_mouse_up:
    case event_key_down:
    case event_control_select:
        break;
    default:
        return;
    }
    try {
        switch (e.dispid) {
        case event_mouse_move:
            owner_.OnEditorMouseMove(editor_mouse_flags(e.button, e.shift, e.ctrl), e.screen.x, e.screen.y);
            break;
        case event_mouse_down:
        case event_mouse_up:
            owner_.OnEditorMouseButton();
            break;
        case event_key_down: {
            auto kind = static_cast<message_kind>(owner_.document_kind() == 0 ? 0 : owner_.document_kind() == 1 ? 1 : 2);
            if (dispatch_key_down(site.pair(), kind, e.key_code, e.ctrl, e.shift, [this] { owner_.HandlePaste(); }))
                cancel(e);
            break;
        }
        case event_control_select: {
            auto* document = site.document();
            auto found = document ? document->element_from_point(e.client) : nullptr;
            if (found && (found->tag_name() == "IMG" || found->tag_name() == "MARQUEE"))
                cancel(e);
            break;
        }
        default:
            break;
        }
    } catch (...) {
        owner_.ReportException(std::current_exception());
        cancel(e);
    }
}

void CImpIPropertyNotifySink::OnChanged(CSite& site, int state)
{
    static constexpr const char* lines[] = {"Doc ready state - uninitialized\n", "Doc ready state - loading...\n",
        "Doc ready state - loaded\n", nullptr, "Doc ready state - complete\n"};
    if (state >= 0 && state <= 4 && lines[state])
        TRACE_LOG("%s", lines[state]);
    if (state != 4)
        return;
    owner_.BeginWaitCursor();
    try {
        if (site.document()) {
            owner_.ApplyFrameFont();
            if (owner_.document_kind() != 0) {
                // A document without a path keeps no page beside it.
                auto path = owner_.document_path();
                if (!path.empty() && site.document())
                    (void)site.Save(companion_page_path(path), true);
            } else if (auto pair = site.pair(); pair.document && !has_edit_style(pair)) {
                add_edit_style(pair);
            }
        }
    } catch (...) {
        owner_.EndWaitCursor();
        owner_.ReportException(std::current_exception());
        return;
    }
    owner_.EndWaitCursor();
}

}

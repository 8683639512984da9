#include "shell/frames/wizard_frame.h"

#include "core/log/trace_log.h"
#include "platform/strings/string_table.h"
#include "shell/documents/wizard_doc.h"
#include "shell/view/wizard_view.h"

#include <filesystem>

namespace shell {

using namespace platform::ui;

namespace {

// The object kind a completion message finishes.
int kind_of(std::uint32_t message)
{
    switch (message) {
    case WM_PICTURE_DOWNLOADED:
        return 0;
    case WM_PULLFILE_DOWNLOADED:
        return 2;
    case WM_CLICKTO_PICTURE_DOWNLOADED:
        return 3;
    case WM_HYPERLINK_PICTURE_DOWNLOADED:
        return 4;
    case WM_MAILTO_PICTURE_DOWNLOADED:
        return 5;
    case WM_SENDFRIEND_PICTURE_DOWNLOADED:
        return 6;
    default:
        return -1;
    }
}

constexpr int key_ctrl = 17;

// The command of a menu item (here or in a submenu) whose label shows that Ctrl key.
int accelerator_command(const MenuModel& menu, const std::string& shortcut)
{
    for (const auto& item : menu.items()) {
        if (item.submenu) {
            if (int found = accelerator_command(*item.submenu, shortcut))
                return found;
            continue;
        }
        auto tab = item.text.find('\t');
        if (item.id != 0 && tab != std::string::npos && item.text.compare(tab + 1, std::string::npos, shortcut) == 0)
            return item.id;
    }
    return 0;
}

constexpr int ID_HELP_FINDER = 57667;
constexpr int ID_CONTEXT_HELP = 57669;
constexpr int ID_HELP_COMMAND = 57670;
constexpr int ID_DEFAULT_HELP = 57671;

}

CWizardFrame::CWizardFrame(FrameServices& services)
    : FrameWnd(services.queue, services.context.services.ui.strings(), services.menus), services_(services)
{
    set_route(services.route);
    set_status_bar(&status_bar_);
    auto& router = commands();
    router.on_command(ID_VIEW_MAIN_TOOLBAR, [this](int) { ToggleMainToolbar(); });
    router.on_command(ID_VIEW_STATUS_BAR, [this](int) { ToggleStatusBar(); });
    router.on_command(ID_HELP_FINDER, [this](int) { context().services.ui.help(0); });
    router.on_command(ID_DEFAULT_HELP, [this](int) { context().services.ui.help(0); });
    router.on_command(ID_CONTEXT_HELP, [this](int) { context().services.ui.help(static_cast<int>(resource_id()), help_style::popup); });
    router.on_command(ID_HELP_COMMAND, [this](int) { context().services.ui.help(static_cast<int>(resource_id())); });
}

CWizardFrame::~CWizardFrame()
{
    // The document may outlive the frame: its close no longer reaches here.
    if (auto* document = dynamic_cast<CWizardDoc*>(GetActiveDocument()))
        document->set_close_handler({});
    DestroyWindow();
}

bool CWizardFrame::LoadFrame(unsigned resource_id)
{
    if (!FrameWnd::LoadFrame(resource_id))
        return false;
    TRACE_LOG("CWizardFrame::LoadFrame() -- XP-style menu bar of frame %u\n", resource_id);
    return true;
}

bool CWizardFrame::CreateToolBar(ToolBar& bar, int id, int resource, unsigned style, unsigned bar_style, bool visible)
{
    return CreateBar(bar, id, style, bar_style, visible) && bar.LoadToolBar(services_.toolbars.find(resource));
}

int CWizardFrame::OnCreate()
{
    if (FrameWnd::OnCreate() == -1)
        return -1;
    xp_menus_ = true;

    const auto& strings = this->strings();
    if (!CreateBar(status_bar_, AFX_IDW_STATUS_BAR, 0, CBRS_ALIGN_BOTTOM, true)) {
        TRACE_LOG("Failed to create status bar\n");
        return -1;
    }
    const std::vector<int> panes {ID_SEPARATOR, ID_DOWNLOAD_STATUS_PANE, ID_INDICATOR_CAPS, ID_INDICATOR_NUM,
        ID_INDICATOR_SCRL, ID_CONFIG_NAME_PANE};
    std::vector<std::string> texts;
    for (int pane : panes)
        texts.push_back(pane == ID_SEPARATOR ? strings.text(AFX_IDS_IDLEMESSAGE) : strings.text(static_cast<unsigned>(pane)));
    status_bar_.SetIndicators(panes, texts);
    status_bar_.SetPaneText(status_bar_.CommandToIndex(ID_DOWNLOAD_STATUS_PANE), "");

    if (context().remove_redirect_link) {
        if (auto* menu = GetMenu()) {
            if (auto* insert = find_submenu(*menu, strings.text(IDS_INSERT_MENU)))
                insert->delete_by_id(ID_INSERT_REDIRECTION_LINK);
        }
    }

    int toolbar = resource_id() == 0 ? IDR_MAINFRAME : static_cast<int>(resource_id());
    if (!CreateToolBar(main_toolbar_, AFX_IDW_TOOLBAR, toolbar, TBSTYLE_FLAT | TBSTYLE_TRANSPARENT,
            CBRS_ALIGN_TOP | CBRS_TOOLTIPS | CBRS_FLYBY | CBRS_SIZE_DYNAMIC, true)) {
        TRACE_LOG("Failed to create toolbar\n");
        return -1;
    }
    main_toolbar_.SetExtendedStyle(TBSTYLE_EX_DRAWDDARROWS);
    main_toolbar_.SetWindowText("Main Toolbar");

    if (!CreateToolBar(image_toolbar_, AFX_IDW_IMAGE_TOOLBAR, IDR_IMAGE_TOOLBAR, TBSTYLE_FLAT, CBRS_ALIGN_TOP, false)) {
        TRACE_LOG("Failed to create temp toolbar\n");
        return -1;
    }
    ShowControlBar(image_toolbar_, false);

    if (!CreateBar(rebar_, AFX_IDW_REBAR, RBS_BANDBORDERS, CBRS_ALIGN_TOP | CBRS_HIDE_INPLACE, true)
        || !rebar_.AddBar(main_toolbar_, !newer_look())) {
        TRACE_LOG("Failed to create rebar\n");
        return -1;
    }

    if (!CreateFrameToolbars(context().edit_mode))
        return -1;
    rebar_.set_bar_style(rebar_.bar_style() & ~CBRS_HIDE_INPLACE);
    RecalcLayout();
    TRACE_LOG("CWizardFrame::OnCreate() -- status bar of %zu panes, main toolbar %d, image toolbar %d, rebar of %zu "
              "bands\n",
        status_bar_.panes().size(), main_toolbar_.resource_id(), image_toolbar_.resource_id(), rebar_.bands().size());
    return 0;
}

bool CWizardFrame::CreateFrameToolbars(int)
{
    return true;
}

MenuModel* CWizardFrame::view_menu() const
{
    auto* menu = GetMenu();
    return menu ? find_submenu(*menu, strings().text(IDS_VIEW_MENU)) : nullptr;
}

MenuModel* CWizardFrame::toolbar_menu() const
{
    auto* view = view_menu();
    return view ? find_submenu(*view, strings().text(IDS_TOOLBAR_MENU)) : nullptr;
}

void CWizardFrame::CheckToolbarMenuItem(int id, bool checked)
{
    if (auto* toolbars = toolbar_menu()) {
        if (auto* item = toolbars->find(id))
            item->checked = checked;
    }
}

void CWizardFrame::ActivateFrame()
{
    // "Save and Exit" and "Cancel and Exit" close the document with its frame.
    if (auto* document = dynamic_cast<CWizardDoc*>(GetActiveDocument()))
        document->set_close_handler([this] { CloseDocumentFrame(); });
    FrameWnd::ActivateFrame();
    RecalcLayout();
    if (auto* view = view_menu()) {
        if (auto* item = view->find(ID_VIEW_STATUS_BAR))
            item->checked = true;
    }
    CheckToolbarMenuItem(ID_VIEW_MAIN_TOOLBAR, main_toolbar_.created() && main_toolbar_.visible());
}

void CWizardFrame::ToggleMainToolbar()
{
    bool show = !main_toolbar_.visible();
    ShowControlBar(main_toolbar_, show);
    CheckToolbarMenuItem(ID_VIEW_MAIN_TOOLBAR, show);
}

void CWizardFrame::ToggleStatusBar()
{
    bool show = !status_bar_.visible();
    ShowControlBar(status_bar_, show);
    if (auto* view = view_menu()) {
        if (auto* item = view->find(ID_VIEW_STATUS_BAR))
            item->checked = show;
    }
}

void CWizardFrame::ApplyFontCommand()
{
    auto* view = services_.active_view ? services_.active_view() : nullptr;
    if (!view)
        return;
    int position = 0;
    GetNearestFontSize(context().settings.size, &position);
    view->apply_browser_font(context().settings.current_font, position + 1);
    view->discard_undo_state();
}

void CWizardFrame::CleanUpDocumentFile(const std::string& path)
{
    if (!services_.doc_file_exists || services_.doc_file_exists(2))
        return;
    std::filesystem::path htm(path);
    htm.replace_extension(".htm");
    for (const std::string& doomed : {path, htm.string()}) {
        if (!services_.in_working_folder || !services_.in_working_folder(doomed)) {
            TRACE_LOG("CWizardFrame::CleanUpDocumentFile() -- not in the working folder, kept: %s\n", doomed.c_str());
            continue;
        }
        std::error_code error;
        if (!std::filesystem::remove(doomed, error) && error)
            TRACE_LOG("CWizardFrame::CleanUpDocumentFile() -- cannot delete %s: %s\n", doomed.c_str(),
                error.message().c_str());
    }
}

bool CWizardFrame::OnClose()
{
    if (auto* document = GetActiveDocument(); document && !document->PreCloseFrame())
        return false;
    CloseDocumentFrame();
    return true;
}

void CWizardFrame::CloseDocumentFrame()
{
    auto* document = GetActiveDocument();
    if (auto* wizard = dynamic_cast<CWizardDoc*>(document)) {
        wizard->set_close_handler({});
        wizard->PreCloseFrame(frame_kind());
    }
    DestroyViews();
    if (document)
        document->OnCloseDocument();
    DestroyWindow();
}

void CWizardFrame::DestroyViews()
{
    std::vector<platform::ui::View*> views;
    if (auto* document = GetActiveDocument())
        views = document->views();
    if (auto* active = GetActiveView(); active && std::find(views.begin(), views.end(), active) == views.end())
        views.push_back(active);
    for (auto* view : views) {
        if (auto* wizard = dynamic_cast<CWizardView*>(view))
            wizard->OnDestroy();
    }
}

bool CWizardFrame::PreTranslateMessage(const platform::ui::message& msg)
{
    if (msg.id != platform::ui::WM_KEYDOWN && msg.id != platform::ui::WM_SYSKEYDOWN)
        return false;
    const auto key = msg.wparam;
    if (!queue().key_state(key_ctrl) || !((key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9')))
        return false;
    auto* menu = GetMenu();
    int command = menu ? accelerator_command(*menu, std::string("Ctrl+") + static_cast<char>(key)) : 0;
    return command != 0 && OnCommand(command);
}

void CWizardFrame::SetMessageText(const std::string& text)
{
    if (status_bar_.created())
        status_bar_.SetPaneText(0, text);
}

void CWizardFrame::ApplyFontCommand(CWizardView& view)
{
    // The font goes on the page of the view that asks, active or not yet.
    auto* active = GetActiveView();
    SetActiveView(&view);
    try {
        ApplyFontCommand();
    } catch (...) {
        SetActiveView(active);
        throw;
    }
    SetActiveView(active);
}

void CWizardFrame::CloseFrame()
{
    // A view that could not be made ready closes its frame. A frame that already shows a
    // document closes as the user's close does: that document is asked first, so its
    // changes never go unasked.
    if (GetActiveDocument())
        OnClose();
    else
        DestroyWindow();
}

std::intptr_t CWizardFrame::WindowProc(const platform::threads::message& received)
{
    switch (received.id) {
    case platform::ui::WM_DESTROY:
        DestroyViews();
        return FrameWnd::WindowProc(received);
    case WM_COMMANDHELP:
        return 0;
    case WM_DOWNLOAD_STATUS:
        OnDownloadStatus(received.wparam);
        return 0;
    case WM_PICTURE_DOWNLOADED:
    case WM_PULLFILE_DOWNLOADED:
    case WM_CLICKTO_PICTURE_DOWNLOADED:
    case WM_HYPERLINK_PICTURE_DOWNLOADED:
    case WM_MAILTO_PICTURE_DOWNLOADED:
    case WM_SENDFRIEND_PICTURE_DOWNLOADED:
        OnObjectDownloaded(received.id, static_cast<std::int32_t>(received.wparam));
        return 0;
    default:
        return FrameWnd::WindowProc(received);
    }
}

void CWizardFrame::OnSize(int width, int height)
{
    FrameWnd::OnSize(width, height);
    if (!rebar_.created())
        return;
    for (std::size_t band = 0; band < rebar_.bands().size(); ++band) {
        queue().show_window(rebar_.window(), false);
        rebar_.MaximizeBand(band);
        queue().show_window(rebar_.window(), rebar_.visible());
    }
}

void CWizardFrame::OnDownloadStatus(std::uintptr_t string_id)
{
    // Several downloads run at once: the text stays until the last of them has ended.
    if (string_id != 0)
        ++running_downloads_;
    else if (running_downloads_ > 0)
        --running_downloads_;
    int pane = status_bar_.CommandToIndex(ID_DOWNLOAD_STATUS_PANE);
    if (pane < 0)
        return;
    if (string_id != 0)
        status_bar_.SetPaneText(pane, strings().text(static_cast<unsigned>(string_id)));
    else if (running_downloads_ == 0)
        status_bar_.SetPaneText(pane, "");
}

void CWizardFrame::OnObjectDownloaded(std::uint32_t message, std::int32_t id)
{
    auto* view = services_.active_view ? services_.active_view() : nullptr;
    if (!view)
        return; // the result waits in its map for a view that can place it
    int kind = kind_of(message);
    auto& results = context().download_results;
    // Object ids start over with every document: a result started for another document
    // would land in this one's element of the same id.
    auto of_this_document = [&](const CDownloadedObject& result) {
        if (result.document_serial == view->document_serial())
            return true;
        TRACE_LOG("CWizardFrame::OnObjectDownloaded() -- download %d of another document dropped\n", id);
        return false;
    };
    if (kind == 2) {
        auto found = results.find_pullfile(id);
        if (!found)
            return;
        if (!of_this_document(*found)) {
            results.erase_pullfile(id);
            return;
        }
        view->PutDownloadedFile(kind, id, found->local_picture_path, found->local_pullfile_path);
        results.erase_pullfile(id);
        return;
    }
    auto which = kind == 3 ? DownloadResults::pictures::clickto : DownloadResults::pictures::ordinary;
    auto found = results.find_picture(which, id);
    if (!found)
        return;
    if (!of_this_document(*found)) {
        results.erase_picture(which, id);
        return;
    }
    view->PutDownloadedFile(kind, id, found->local_path, {});
    results.erase_picture(which, id);
}

}

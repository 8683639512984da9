#include "shell/frames/main_frame.h"

#include "broadcast/launch/form_creation_mode.h"
#include "core/log/trace_log.h"
#include "dialup/dialup_library.h"
#include "platform/strings/string_table.h"
#include "shell/customize/customize_sheet.h"
#include "shell/splash.h"

#include <cstdio>

namespace shell {

using namespace platform::ui;

namespace {

constexpr unsigned IDS_SEND_FORM = 21083;     // "Send Form"
constexpr unsigned IDS_BROADCAST = 20051;     // "Broadcast"
constexpr unsigned IDS_LINE_STYLE = 33153;    // "Line Style"
constexpr unsigned IDS_DIAL_FAILED = 33120;
constexpr unsigned IDS_FORM_MODE_ON = 34012;
constexpr unsigned IDS_FORM_MODE_OFF = 34013;
constexpr int ID_FIRST_FORMAT_COMMAND = 32782;
constexpr int font_name_box_width = 150;
constexpr int font_size_box_width = 50;
constexpr std::size_t shown_name_characters = 30;
constexpr int set_fore_color_command = 38;
constexpr int dont_prompt = 2;

}

std::string shown_configuration_name(const std::string& name)
{
    std::size_t characters = 0;
    std::size_t cut = 0;
    for (std::size_t i = 0; i < name.size(); ++i) {
        if ((static_cast<unsigned char>(name[i]) & 0xC0) == 0x80)
            continue; // a continuation byte belongs to the character before it
        if (characters == shown_name_characters) {
            cut = i;
            break;
        }
        ++characters;
    }
    if (cut == 0)
        return name;
    return name.substr(0, cut) + "...";
}

std::string html_colour(std::uint32_t colour)
{
    char text[8];
    std::snprintf(text, sizeof text, "#%02X%02X%02X", colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
    return text;
}

CMainFrame::CMainFrame(FrameServices& services) : CHTMLLiteWizardFrame(services)
{
    auto& router = commands();
    router.on_command(ID_CUSTOMIZE, [this](int) { OnCustomize(); });
    router.on_command(ID_VIEW_LINES, [this](int) { ToggleLinePalette(); });
    router.on_command(ID_VIEW_FORM_ELEMENTS, [this](int) { ToggleFormElements(); });
}

CMainFrame::~CMainFrame()
{
    DestroyWindow(); // while this class still answers its window's last messages
}

int CMainFrame::OnCreate()
{
    if (CHTMLLiteWizardFrame::OnCreate() == -1)
        return -1;
    queue().set_timer(window(), ID_DEFERRED_DELETION_TIMER, deferred_deletion_period);
    if (context().edit_mode == 0)
        CSplashWnd::Show(context(), queue(), window());
    return 0;
}

bool CMainFrame::CreateFrameToolbars(int edit_mode)
{
    const auto& strings = this->strings();
    auto& format = format_bar();
    unsigned gripper = newer_look() ? CBRS_GRIPPER : 0;
    if (!CreateToolBar(format, AFX_IDW_FORMAT_BAR, edit_mode == 2 ? IDR_FORMATTING_CLICKTO : IDR_FORMATTING,
            TBSTYLE_FLAT | TBSTYLE_LIST, CBRS_ALIGN_TOP | CBRS_TOOLTIPS | CBRS_FLYBY | CBRS_SIZE_DYNAMIC | gripper, true)) {
        TRACE_LOG("Failed to create toolbar\n");
        return false;
    }
    format.SetWindowText("Format");
    for (int i = 0; i < format.button_count(); ++i) {
        if (!(format.button(i).style & TBSTYLE_SEP))
            format.SetButtonStyle(i, format.button(i).style | TBSTYLE_AUTOSIZE);
    }
    if (edit_mode == 0 || edit_mode == 1) {
        format.SetButtonText(0, strings.text(edit_mode == 0 ? IDS_SEND_FORM : IDS_BROADCAST));
        if (edit_mode == 1)
            format.SetButtonCommand(0, ID_SAVE_AND_SEND);
    }

    if (edit_mode == 0) {
        if (CreateToolBar(form_elements_, AFX_IDW_FORM_ELEMENTS, IDR_FORMELEMENTS, TBSTYLE_FLAT | TBSTYLE_TRANSPARENT,
                CBRS_ALIGN_TOP | CBRS_TOOLTIPS | CBRS_FLYBY | CBRS_SIZE_DYNAMIC, true)
            && rebar().AddBar(form_elements_, !newer_look())) {
            form_elements_.SetButtonStyle(0, TBSTYLE_CHECK);
        } else {
            TRACE_LOG("Failed to create IDR_FORMELEMENTS toolbar\n");
            DestroyBar(form_elements_);
        }
    }

    ToolControl names;
    names.id = ID_FONT_NAME_BOX;
    names.width = font_name_box_width;
    names.sorted = true;
    names.font_face = box_font_face;
    names.font_height = box_font_height;
    for (auto& family : services().fonts.families(false)) {
        if (names.find_string_exact(family) < 0)
            names.add_string(std::move(family));
    }
    ToolControl sizes;
    sizes.id = ID_FONT_SIZE_BOX;
    sizes.width = font_size_box_width;
    sizes.drop_list = true;
    sizes.font_face = box_font_face;
    sizes.font_height = box_font_height;
    for (int size : font_sizes())
        sizes.items.push_back(std::to_string(size));
    int at = format.CommandToIndex(ID_FIRST_FORMAT_COMMAND);
    at = format.insert_control(at, std::move(names));
    format.insert_control(at + 1, std::move(sizes));
    CreateFormatBar();

    if (CreateToolBar(line_palette_, AFX_IDW_LINE_PALETTE, IDR_LINE_STYLES, TBSTYLE_FLAT,
            CBRS_ALIGN_TOP | CBRS_TOOLTIPS | CBRS_SIZE_DYNAMIC, false)) {
        line_palette_.SetWindowText(strings.text(IDS_LINE_STYLE));
        line_palette_.float_at(0, 0);
        ShowControlBar(line_palette_, false);
    } else {
        // The frame goes on without the palette.
        TRACE_LOG("Failed to create toolbar\n");
    }
    TRACE_LOG("CMainFrame::CreateFrameToolbars() -- formatting toolbar %d, form elements %d, line styles %d, font "
              "colours %d\n",
        format.resource_id(), form_elements_.created() ? form_elements_.resource_id() : 0,
        line_palette_.created() ? line_palette_.resource_id() : 0,
        color_palette().created() ? color_palette().resource_id() : 0);
    return true;
}

bool CMainFrame::form_mode() const
{
    auto* view = services().active_view ? services().active_view() : nullptr;
    return view && view->form_creation_mode();
}

std::string CMainFrame::GetMessageString(int id) const
{
    if (id == ID_FORM_CREATION_MODE) {
        const auto& text = strings().text(form_mode() ? IDS_FORM_MODE_ON : IDS_FORM_MODE_OFF);
        return text.substr(0, text.find('\n'));
    }
    return CHTMLLiteWizardFrame::GetMessageString(id);
}

std::string CMainFrame::GetToolTipText(int id) const
{
    if (id == ID_FORM_CREATION_MODE)
        return broadcast::CheckFormCreationMode(form_mode(), strings()).tooltip;
    return CHTMLLiteWizardFrame::GetToolTipText(id);
}

void CMainFrame::ActivateFrame()
{
    CHTMLLiteWizardFrame::ActivateFrame();
    CheckToolbarMenuItem(ID_VIEW_FORM_ELEMENTS, form_elements_.created() && form_elements_.visible());
}

void CMainFrame::ToggleFormElements()
{
    if (!form_elements_.created())
        return;
    bool show = !form_elements_.visible();
    ShowControlBar(form_elements_, show);
    CheckToolbarMenuItem(ID_VIEW_FORM_ELEMENTS, show);
}

void CMainFrame::ToggleLinePalette()
{
    if (!line_palette_.created())
        return;
    if (!line_palette_.visible()) {
        auto& format = format_bar();
        int button = format.CommandToIndex(ID_VIEW_LINES);
        if (button >= 0) {
            auto item = format.item_rect(button);
            auto bar = format.place();
            auto place = client_to_screen({bar.left + item.left, bar.top + item.top, bar.left + item.right,
                bar.top + item.bottom});
            line_palette_.float_at(place.left, place.bottom);
        }
    }
    ShowControlBar(line_palette_, !line_palette_.visible());
}

void CMainFrame::HideLinePalette()
{
    if (line_palette_.created())
        ShowControlBar(line_palette_, false);
}

void CMainFrame::OnCustomize()
{
    if (!context().configuration) {
        TRACE_LOG("CMainFrame::OnCustomize() -- no configuration services\n");
        return;
    }
    CCustomizeSheet sheet(context().services.dialogs, context().services.ui, *context().configuration,
        context().current_config);
    if (sheet.DoModal() == IDOK)
        ShowConfigurationName();
}

void CMainFrame::ShowConfigurationName()
{
    auto shown = shown_configuration_name(context().current_config.GetName());
    TRACE_LOG("CMainFrame::ShowConfigurationName() - %s\n", shown.c_str());
    auto& bar = status();
    int pane = bar.CommandToIndex(ID_CONFIG_NAME_PANE);
    if (pane < 0)
        return;
    bar.SetPaneText(pane, shown);
    bar.SetPaneInfo(pane, ID_CONFIG_NAME_PANE, services().fonts.text_width(box_font_face, -box_font_height, shown));
}

void CMainFrame::ApplyFontCommand()
{
    CHTMLLiteWizardFrame::ApplyFontCommand();
    auto* view = services().active_view ? services().active_view() : nullptr;
    if (!view)
        return;
    const auto& settings = context().settings;
    auto colour = static_cast<std::uint32_t>(settings.color);
    view->set_body_text_color(html_colour(colour));
    view->exec_editing_command(set_fore_color_command, static_cast<std::int32_t>(colour), dont_prompt);
    if (!settings.doc_charset.empty())
        view->set_page_charset(settings.doc_charset);
}

void CMainFrame::add_deferred_deletion(std::chrono::milliseconds delay, std::string path)
{
    deletions_.add(context().services.clock.now() + delay, std::move(path));
}

void CMainFrame::OnTimer(std::uintptr_t timer)
{
    CHTMLLiteWizardFrame::OnTimer(timer);
    if (timer != ID_DEFERRED_DELETION_TIMER)
        return;
    auto outcome = deletions_.service(context().services.clock.now());
    for (auto& [path, reason] : outcome.undeletable) {
        TRACE_LOG("CMainFrame::OnTimer() -- cannot delete %s: %s; left for the exit\n", path.c_str(), reason.c_str());
        context().temporary_paths.add(path);
    }
}

bool CMainFrame::IsBroadcastRunning(bool activate)
{
    if (!broadcast_dialog_ || broadcast_dialog_->finished())
        return false;
    if (activate)
        broadcast_dialog_->bring_to_front();
    return true;
}

void CMainFrame::DispatchBroadcast(broadcast::broadcast_ref job)
{
    if (!services().dispatcher) {
        TRACE_LOG("CMainFrame::DispatchBroadcast() -- no broadcast launch\n");
        context().services.ui.message_box("Broadcasting is not available in this build.", MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    services().dispatcher->DispatchBroadcast(std::move(job));
}

std::intptr_t CMainFrame::WindowProc(const platform::threads::message& received)
{
    if (received.id == WM_DIAL_PROGRESS && received.lparam != 0) {
        OnDialFailure();
        return 0;
    }
    if (received.id == WM_BROADCAST_END) {
        if (services().dialup)
            services().dialup->GoIdle(0);
        return 0;
    }
    return CHTMLLiteWizardFrame::WindowProc(received);
}

void CMainFrame::OnDialFailure()
{
    context().services.ui.message_box(IDS_DIAL_FAILED, MB_OK | MB_ICONEXCLAMATION);
    auto* dialup = services().dialup;
    if (!dialup)
        return;
    dialup->GoIdle(1);
    if (dialup->ShowDialingDlg(window()) != 0)
        dialup->Dial(window());
}

void CMainFrame::PostNcDestroy()
{
    if (broadcast_dialog_) {
        broadcast_dialog_->destroy_window();
        broadcast_dialog_ = nullptr;
    }
    CHTMLLiteWizardFrame::PostNcDestroy();
}

}

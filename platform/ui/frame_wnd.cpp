#include "platform/ui/frame_wnd.h"

#include "platform/strings/string_table.h"

#include <algorithm>

namespace platform::ui {

namespace {

std::string half_of(const std::string& text, bool second)
{
    auto newline = text.find('\n');
    if (newline == std::string::npos)
        return second ? std::string() : text;
    return second ? text.substr(newline + 1) : text.substr(0, newline);
}

}

FrameWnd::FrameWnd(MessageQueue& queue, const strings::string_table& strings, const MenuResources& menus)
    : queue_(queue), strings_(strings), menus_(menus)
{
}

FrameWnd::~FrameWnd()
{
    // The bars belong to the derived frame and are gone by now; only the window is left.
    bars_.clear();
    status_bar_ = nullptr;
    DestroyWindow();
}

bool FrameWnd::LoadFrame(unsigned resource_id)
{
    if (window_ != 0)
        return false;
    resource_id_ = resource_id;
    menu_ = menus_.make(static_cast<int>(resource_id));
    window_options options;
    options.bounds = {0, 0, 800, 600};
    options.text = strings_.text(resource_id);
    if (auto newline = options.text.find('\n'); newline != std::string::npos)
        options.text.resize(newline);
    options.handler = [this](const message& received) -> std::intptr_t {
        if (received.id == WM_CREATE)
            window_ = received.window; // the handler runs before create_window returns
        return WindowProc(received);
    };
    options.on_destroyed = [this] {
        window_ = 0;
        for (auto* bar : bars_)
            bar->attach(0, bar->id(), bar->style(), bar->bar_style(), false);
    };
    window_id made = queue_.create_window(std::move(options));
    if (made == 0) {
        window_ = 0;
        return false;
    }
    window_ = made;
    queue_.set_main_window(made);
    return true;
}

void FrameWnd::ActivateFrame()
{
    if (window_ == 0)
        return;
    queue_.show_window(window_, true);
    queue_.bring_to_front(window_);
}

std::intptr_t FrameWnd::WindowProc(const message& received)
{
    switch (received.id) {
    case WM_CREATE:
        return OnCreate();
    case WM_COMMAND:
        OnCommand(static_cast<int>(received.wparam & 0xFFFF));
        return 0;
    case WM_SIZE:
        OnSize(static_cast<int>(received.lparam & 0xFFFF), static_cast<int>((received.lparam >> 16) & 0xFFFF));
        return 0;
    case WM_TIMER:
        OnTimer(received.wparam);
        return 0;
    case WM_CLOSE:
        OnClose();
        return 0;
    case WM_SETMESSAGESTRING:
        if (status_bar_ && status_bar_->created()) {
            int id = static_cast<int>(received.wparam);
            status_bar_->SetPaneText(0, id != 0 ? GetMessageString(id) : strings_.text(AFX_IDS_IDLEMESSAGE));
        }
        return 0;
    case WM_IDLEUPDATECMDUI:
        OnIdleUpdateCmdUI();
        return 0;
    case WM_NCDESTROY:
        PostNcDestroy();
        return 0;
    default:
        return 0;
    }
}

std::intptr_t FrameWnd::send(std::uint32_t id, std::uintptr_t wparam, std::intptr_t lparam)
{
    if (window_ == 0)
        return 0;
    return queue_.send(window_, id, wparam, lparam);
}

bool FrameWnd::OnClose()
{
    if (auto* document = GetActiveDocument()) {
        if (!document->PreCloseFrame())
            return false;
        document->OnCloseDocument();
    }
    return DestroyWindow();
}

bool FrameWnd::DestroyWindow()
{
    if (window_ == 0)
        return false;
    return queue_.destroy_window(window_);
}

bool FrameWnd::CreateBar(ControlBar& bar, int id, unsigned style, unsigned bar_style, bool visible)
{
    if (window_ == 0)
        return false;
    window_id made = MakeBarWindow(id, visible);
    if (made == 0)
        return false;
    bar.attach(made, id, style, bar_style, visible);
    if (std::find(bars_.begin(), bars_.end(), &bar) == bars_.end())
        bars_.push_back(&bar);
    return true;
}

void FrameWnd::DestroyBar(ControlBar& bar)
{
    if (bar.created())
        queue_.destroy_window(bar.window());
    bar.attach(0, bar.id(), bar.style(), bar.bar_style(), false);
    std::erase(bars_, &bar);
    RecalcLayout();
}

window_id FrameWnd::MakeBarWindow(int id, bool visible)
{
    window_options options;
    options.owner = window_;
    options.visible = visible;
    options.text = std::to_string(id);
    return queue_.create_window(std::move(options));
}

void FrameWnd::RecalcLayout()
{
    if (window_ == 0)
        return;
    auto bounds = queue_.bounds(window_);
    rect client {0, 0, bounds.width(), bounds.height()};
    // Bars held in a rebar band are placed by their rebar.
    auto in_band = [this](const ControlBar* bar) {
        for (const auto* other : bars_) {
            if (const auto* rebar = dynamic_cast<const ReBar*>(other); rebar && rebar->band_of(*bar) >= 0)
                return true;
        }
        return false;
    };
    for (auto* bar : bars_) {
        if (!bar->created() || !bar->visible() || bar->floating() || in_band(bar))
            continue;
        int height = bar->docked_height();
        if (bar->bar_style() & CBRS_ALIGN_BOTTOM) {
            bar->set_place({client.left, client.bottom - height, client.right, client.bottom});
            client.bottom -= height;
        } else {
            bar->set_place({client.left, client.top, client.right, client.top + height});
            client.top += height;
        }
        if (const auto* rebar = dynamic_cast<const ReBar*>(bar)) {
            int top = bar->place().top;
            for (const auto& band : rebar->bands()) {
                if (!band.bar->visible())
                    continue;
                int band_height = band.bar->docked_height() + 4;
                band.bar->set_place({client.left, top + 2, client.right, top + band_height - 2});
                top += band_height;
            }
        }
    }
    view_place_ = client;
}

void FrameWnd::ShowControlBar(ControlBar& bar, bool show)
{
    bar.set_visible(show);
    if (bar.created())
        queue_.show_window(bar.window(), show);
    RecalcLayout();
}

rect FrameWnd::client_to_screen(const rect& place) const
{
    auto origin = window_ != 0 ? queue_.bounds(window_) : rect {};
    return {place.left + origin.left, place.top + origin.top, place.right + origin.left, place.bottom + origin.top};
}

bool FrameWnd::OnCommand(int id)
{
    for (const auto& target : {route_.view, route_.document}) {
        if (auto* router = target ? target() : nullptr; router && router->has_handler(id))
            return router->execute(id);
    }
    if (commands_.has_handler(id))
        return commands_.execute(id);
    return route_.application && route_.application->execute(id);
}

void FrameWnd::UpdateCommand(CmdUI& ui) const
{
    for (const auto& target : {route_.view, route_.document}) {
        if (auto* router = target ? target() : nullptr; router && router->has_handler(ui.id)) {
            router->update(ui);
            return;
        }
    }
    if (commands_.has_handler(ui.id) || !route_.application) {
        commands_.update(ui);
        return;
    }
    route_.application->update(ui);
}

void FrameWnd::OnIdleUpdateCmdUI()
{
    for (auto* bar : bars_) {
        auto* toolbar = dynamic_cast<ToolBar*>(bar);
        if (!toolbar || !toolbar->created())
            continue;
        for (const auto& button : std::vector<ToolBar::Button>(toolbar->buttons())) {
            if (button.style & TBSTYLE_SEP)
                continue;
            CmdUI ui;
            ui.id = button.command;
            ui.checked = (button.state & TBSTATE_CHECKED) != 0;
            UpdateCommand(ui);
            toolbar->EnableButton(button.command, ui.enabled);
            toolbar->CheckButton(button.command, ui.checked);
        }
    }
}

std::string FrameWnd::GetMessageString(int id) const
{
    return half_of(strings_.text(static_cast<unsigned>(id)), false);
}

std::string FrameWnd::GetToolTipText(int id) const
{
    return half_of(strings_.text(static_cast<unsigned>(id)), true);
}

}

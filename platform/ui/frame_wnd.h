#pragma once

#include "platform/ui/command_router.h"
#include "platform/ui/control_bars.h"
#include "platform/ui/doc_manager.h"
#include "platform/ui/frame_resources.h"
#include "platform/ui/message_queue.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace platform::strings {
class string_table;
}

namespace platform::ui {

inline constexpr std::uint32_t WM_SIZE = 0x0005;
inline constexpr std::uint32_t WM_ACTIVATE = 0x0006;
inline constexpr std::uint32_t WM_SETMESSAGESTRING = 0x0362;
inline constexpr std::uint32_t WM_IDLEUPDATECMDUI = 0x0363;
inline constexpr std::uint32_t WM_COMMANDHELP = 0x0365;
inline constexpr unsigned AFX_IDS_IDLEMESSAGE = 0xE001; // "Ready"
inline constexpr int ID_VIEW_STATUS_BAR = 0xE801;

// Where a frame sends the commands it does not handle itself, in the order tried: the
// active view, the active document, the frame, then the application.
struct CommandRoute {
    std::function<CommandRouter*()> view;
    std::function<CommandRouter*()> document;
    CommandRouter* application = nullptr;
};

// A frame window: a window of the message queue with a menu bar and control bars laid out
// around its client area, routing commands and showing their prompts in the status bar's
// message pane. Its window lives from LoadFrame until it is destroyed or the object goes.
class FrameWnd : public Frame {
public:
    FrameWnd(MessageQueue& queue, const strings::string_table& strings, const MenuResources& menus);
    ~FrameWnd() override;
    FrameWnd(const FrameWnd&) = delete;
    FrameWnd& operator=(const FrameWnd&) = delete;

    // Loads the menu of the resource id (none when it has no menu) and makes the window,
    // whose WM_CREATE runs OnCreate; a new frame becomes the main window. False when
    // OnCreate refused (no window is left).
    bool LoadFrame(unsigned resource_id) override;
    void ActivateFrame() override;

    window_id window() const { return window_; }
    MessageQueue& queue() const { return queue_; }
    const strings::string_table& strings() const { return strings_; }
    MenuModel* GetMenu() const { return menu_.get(); }
    CommandRouter& commands() { return commands_; }
    void set_route(CommandRoute route) { route_ = std::move(route); }

    // Places the docked bars around the client area: rebar and top bars from the top,
    // bottom bars from the bottom; floating and hidden bars take no room.
    void RecalcLayout();
    // The client area left to the view after the bars.
    rect view_place() const { return view_place_; }
    void ShowControlBar(ControlBar& bar, bool show);
    // Frame client coordinates to screen coordinates.
    rect client_to_screen(const rect& place) const;

    // Routes a command: view, document, frame, application; false when none handles it.
    bool OnCommand(int id);
    // The command's state from the first of the route that knows the command.
    void UpdateCommand(CmdUI& ui) const;
    // Enables and checks every toolbar button as its command's update says.
    void OnIdleUpdateCmdUI();
    // The status-bar prompt of a command: its string before "\n".
    virtual std::string GetMessageString(int id) const;
    // The tool tip of a command: its string after "\n".
    virtual std::string GetToolTipText(int id) const;

    // Sends the frame a message as its window would get it.
    std::intptr_t send(std::uint32_t id, std::uintptr_t wparam = 0, std::intptr_t lparam = 0);
    // WM_CLOSE: the active document may refuse; otherwise the window goes. True when it went.
    virtual bool OnClose();
    bool DestroyWindow();

protected:
    virtual int OnCreate() { return 0; }
    // Every message of the window; the default handles creation, commands, sizes, timers,
    // prompts and the end.
    virtual std::intptr_t WindowProc(const message& received);
    virtual void OnTimer(std::uintptr_t /*timer*/) { }
    virtual void OnSize(int /*width*/, int /*height*/) { RecalcLayout(); }
    // The window has gone; the object remains.
    virtual void PostNcDestroy() { }

    // Makes a bar's window as a child of the frame, with its id, styles and visibility,
    // and lays it out with the frame's bars (a rebar's bands are laid out by their rebar).
    bool CreateBar(ControlBar& bar, int id, unsigned style, unsigned bar_style, bool visible);
    // Destroys a bar's window and takes it out of the layout.
    void DestroyBar(ControlBar& bar);
    // The window of a new bar; 0 when it cannot be made.
    virtual window_id MakeBarWindow(int id, bool visible);
    // The bars the frame lays out, in creation order.
    const std::vector<ControlBar*>& bars() const { return bars_; }
    StatusBar* status_bar() const { return status_bar_; }
    void set_status_bar(StatusBar* bar) { status_bar_ = bar; }

    unsigned resource_id() const { return resource_id_; }

private:
    MessageQueue& queue_;
    const strings::string_table& strings_;
    const MenuResources& menus_;
    window_id window_ = 0;
    unsigned resource_id_ = 0;
    std::shared_ptr<MenuModel> menu_;
    CommandRouter commands_;
    CommandRoute route_;
    std::vector<ControlBar*> bars_;
    StatusBar* status_bar_ = nullptr;
    rect view_place_;
};

}

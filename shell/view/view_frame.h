#pragma once

// What a message view needs of the frame around it.

#include "platform/ui/message_queue.h"

#include <string>

namespace shell {

class CWizardView;

class ViewFrame {
public:
    virtual ~ViewFrame() = default;
    // The frame's window: owner of popup menus, receiver of download posts.
    virtual platform::ui::window_id frame_window() const = 0;
    // Routes a command as the frame does (view, document, frame, application); false when
    // nothing handles it.
    virtual bool OnCmdMsg(int id) = 0;
    // The framework's handling of a message before its window (the accelerators); true
    // when it was handled.
    virtual bool PreTranslateMessage(const platform::ui::message& msg) = 0;
    // The status bar's message; empty clears it.
    virtual void SetMessageText(const std::string& text) = 0;
    // A frame with a font choice applies it to the view's page; others do nothing.
    virtual void ApplyFontCommand(CWizardView& view) = 0;
    // Closes the frame (its document and views go with it).
    virtual void CloseFrame() = 0;
};

}

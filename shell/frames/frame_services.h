#pragma once

#include "platform/gfx/font_catalogue.h"
#include "platform/ui/frame_resources.h"
#include "platform/ui/frame_wnd.h"
#include "platform/ui/message_queue.h"
#include "shell/app_context.h"

#include <cstdint>
#include <functional>
#include <string>

namespace dunvell {
class DialupLibrary;
}

namespace broadcast {
class BroadcastDispatcher;
}

namespace shell {

// Puts a finished download in place of the element of the page that waits for it.
class download_placer {
public:
    virtual ~download_placer() = default;
    // The object kind (0 picture, 2 pull file, 3 click-to, 4 hyperlink, 5 mail-to, 6
    // send-a-friend), its id and its local files; bit 0 of the answer when the page changed.
    virtual int PutDownloadedFile(int kind, std::int32_t id, const std::string& picture_path,
        const std::string& pull_path) = 0;
};

// What the frames ask of the active editing view.
class FrameView : public download_placer {
public:
    // A font command on the page: the face and the HTML size 1-7.
    virtual void apply_browser_font(const std::string& face, int html_size) = 0;
    // The editing host forgets its undo steps.
    virtual void discard_undo_state() = 0;
    // The body's text colour, written "#RRGGBB".
    virtual void set_body_text_color(const std::string& colour) = 0;
    // An editing command of the editing component with an integer argument and an option.
    virtual void exec_editing_command(int command, std::int32_t value, int option) = 0;
    virtual void set_page_charset(const std::string& charset) = 0;
    // The view makes a web form.
    virtual bool form_creation_mode() const = 0;
    // The serial of the view's document (platform::ui::Document::serial): a finished
    // download is placed only in the page of the document it was started for.
    virtual std::uint64_t document_serial() const = 0;
};

// What the frames take from the program.
struct FrameServices {
    AppContext& context;
    platform::ui::MessageQueue& queue;
    const platform::ui::ToolbarResources& toolbars;
    const platform::ui::MenuResources& menus;
    const platform::gfx::font_catalogue& fonts;
    // The active view when it is an editing view; null otherwise.
    std::function<FrameView*()> active_view {};
    // The active document is a message document and the document manager has a stored
    // body file of the kind (0 HTML, 1 HTML-lite, 2 text); absent: no message document.
    std::function<bool(int kind)> doc_file_exists {};
    // Whether a path lies inside the message's working folder, the only place the frame's
    // clean-up deletes in; absent: nothing is deleted.
    std::function<bool(const std::string&)> in_working_folder {};
    dunvell::DialupLibrary* dialup = nullptr;
    broadcast::BroadcastDispatcher* dispatcher = nullptr;
    platform::ui::CommandRoute route {};
    // The default font dialog (the application's); its result.
    std::function<int()> choose_default_font {};
    // The platform's version code: 8 or more for the newer bar look (bands without
    // grippers, the formatting bar with one).
    int windows_version = 8;
};

}

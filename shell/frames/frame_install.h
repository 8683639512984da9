#pragma once

#include "shell/frames/frame_services.h"

#include <functional>

namespace platform::ui {
class DocManager;
}

namespace shell {

// The frame classes of the document templates: the main frame for the HTML message and
// the frame base for the text message. The services must outlive every frame; the
// document manager answers the clean-up's questions, and, unless the services say
// otherwise, its frame's active editing view and document are the active view and the
// first two stops of the command route.
void install_frames(AppContext& context, FrameServices& services, std::function<platform::ui::DocManager*()> manager);

}

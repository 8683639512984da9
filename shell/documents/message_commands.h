#pragma once

#include "platform/ui/application.h"

namespace shell {

struct AppContext;

// Menu commands of the message document.
inline constexpr int ID_TEMPLATE_FIRST = 34900; // three items: the configuration's templates
inline constexpr int ID_TEMPLATE_LAST = 34902;
inline constexpr int ID_EDIT_LITE_BODY = 33070; // the HTML-lite body part in its own editor

// The template items show the current configuration's template names; choosing one opens
// that template as a new, unsaved message (its first save asks for a name, so the template
// itself is never overwritten). The HTML-lite command writes the page into the kind's body
// file (made when the manager has none) and opens that file.
void register_message_commands(AppContext& context, platform::ui::Application& app);

}

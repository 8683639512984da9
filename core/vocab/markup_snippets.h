#pragma once

#include <string>
#include <string_view>

namespace core {

// The class identifier text of the Flash player object.
std::string GetFlashClassId();

// An anchor that shows the bookmark picture: <a name="NAME" style="...">&nbsp;x4</a>.
// The name is escaped for the attribute; character references in it stand as written.
std::string MakeBookmarkAnchor(std::string_view name);

}

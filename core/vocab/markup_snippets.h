#pragma once

#include <string>
#include <string_view>

namespace core {

// The class identifier text of the Flash player object.
std::string GetFlashClassId();

// An anchor that shows the bookmark picture: <a name="NAME" style="...">&nbsp;x4</a>.
// The name is put into the attribute with its double quotes written as &quot;.
std::string MakeBookmarkAnchor(std::string_view name);

}

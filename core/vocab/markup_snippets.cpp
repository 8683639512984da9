#include "core/vocab/markup_snippets.h"

#include "core/files/file_path.h"
#include "core/markup/escape.h"
#include "core/url/file_url.h"

namespace core {

std::string GetFlashClassId()
{
    return "clsid:D27CDB6E-AE6D-11CF-96B8-444553540000";
}

std::string MakeBookmarkAnchor(std::string_view name)
{
    auto url = make_file_url(standard_folder_file_path(1, "bookmark.bmp"));
    // The URL stands in single quotes inside a double-quoted attribute.
    std::string safe_url;
    for (char c : url) {
        if (c == '\'')
            safe_url += "%27";
        else if (c == '"')
            safe_url += "%22";
        else
            safe_url += c;
    }
    return "<a name=\"" + escape_attribute_value(name) + "\" style=\"background-image: url('" + safe_url
        + "'); background-repeat: no-repeat; background-position: center\">&nbsp;&nbsp;&nbsp;&nbsp;</a>";
}

}

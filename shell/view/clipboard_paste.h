#pragma once

// Paste through the HTML importer: the fragment on the clipboard is rewritten the way an
// imported page is (element ids, objects taken into the message folder) before the editing
// component pastes it.

#include "editing/document/editing_commands.h"
#include "html/clipboard.h"

#include <optional>
#include <string>
#include <string_view>

namespace shell {

// The importer's tag scanning over a pasted fragment, for the view's document.
class FragmentImporter {
public:
    virtual ~FragmentImporter() = default;
    // The rewritten fragment; nothing when the scan failed.
    virtual std::optional<std::string> scan_tags(std::string_view fragment) = 0;
};

// Puts the importer's rewriting of the "HTML Format" fragment back as the clipboard's only
// format. Without an importer, "HTML Format" data, readable offsets or a scan result, the
// clipboard stays as it was.
void RewriteClipboardHTML(html::clipboard& clip, FragmentImporter* importer);

// Rewrites the clipboard, then pastes (edit command 50, not prompting); a failing paste
// raises com_error.
void HandlePaste(const editing::document_pair& pair, html::clipboard& clip, FragmentImporter* importer);

}

#include "shell/view/clipboard_paste.h"

#include "platform/com/com_error.h"

namespace shell {

void RewriteClipboardHTML(html::clipboard& clip, FragmentImporter* importer)
{
    if (!importer)
        return;
    auto text = clip.get(html::html_clipboard_format);
    std::string fragment;
    if (!text || !html::extract_fragment(*text, fragment))
        return;
    const auto rewritten = importer->scan_tags(fragment);
    if (!rewritten || !html::replace_fragment(*text, *rewritten))
        return;
    clip.set_only(html::html_clipboard_format, std::move(*text));
}

void HandlePaste(const editing::document_pair& pair, html::clipboard& clip, FragmentImporter* importer)
{
    RewriteClipboardHTML(clip, importer);
    const auto hr = editing::exec_edit_command(pair, static_cast<int>(html::command::paste), html::OLECMDEXECOPT_DONTPROMPTUSER);
    if (platform::com::failed(hr))
        throw platform::com::com_error(hr);
}

}

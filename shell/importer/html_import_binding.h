#pragma once

// The HTML importer as the program uses it: its questions as the program's dialogs, the
// import of a page as a new message ("&Yes" of the importing prompt) and the scan of a pasted
// fragment.

#include "conversion/importer/html_importer.h"
#include "platform/ui/dialog_template.h"
#include "platform/ui/ui_host.h"
#include "shell/view/clipboard_paste.h"

#include <optional>
#include <string>

namespace shell {

struct AppContext;
class CTalverinDocManager;

// The importer's questions through the program's dialogs and boxes.
class UiImporterHost final : public conversion::importer_host {
public:
    UiImporterHost(platform::ui::UiHost& ui, const platform::ui::DialogTemplates& dialogs) : ui_(ui), dialogs_(dialogs) { }

    int ask_form_action() override;
    missing_answer ask_missing_resource(const std::string& name) override;
    std::optional<std::string> choose_resource_file(const std::string& name) override;
    void warn_foreign_page() override;
    void begin_wait() override { ui_.begin_wait_cursor(); }
    void end_wait() override { ui_.end_wait_cursor(); }

private:
    platform::ui::UiHost& ui_;
    const platform::ui::DialogTemplates& dialogs_;
};

// The tag list, report, media types and text page style the program's importer uses.
conversion::importer_settings program_importer_settings(const AppContext& context);

// Imports the page into the manager's HTML objects and working folder with the program's
// counters and declarations; the body, or nothing (the reason traced) when it failed.
std::optional<std::string> import_page_into(AppContext& context, CTalverinDocManager& manager, const std::string& page);

// The paste path: the fragment scanned with forms kept and no question about them.
class PasteFragmentImporter final : public FragmentImporter {
public:
    PasteFragmentImporter(AppContext& context, CTalverinDocManager& manager) : context_(context), manager_(manager) { }
    std::optional<std::string> scan_tags(std::string_view fragment) override;

private:
    AppContext& context_;
    CTalverinDocManager& manager_;
};

// Puts the importer in the message document's import seam.
void bind_html_importer(AppContext& context, CTalverinDocManager& manager);

}

#include "shell/importer/html_import_binding.h"

#include "core/files/file_path.h"
#include "core/log/trace_log.h"
#include "platform/prompts/message_box.h"
#include "platform/strings/string_table.h"
#include "shell/app_context.h"
#include "shell/documents/talverin_doc_manager.h"
#include "shell/importer/importer_dialogs.h"

namespace shell {

using namespace platform::prompts;

int UiImporterHost::ask_form_action()
{
    CCustomFormImportDlg dialog(dialogs_.get(CCustomFormImportDlg::IDD), ui_);
    return dialog.DoModal();
}

conversion::importer_host::missing_answer UiImporterHost::ask_missing_resource(const std::string& name)
{
    CMissingResourceMBox dialog(dialogs_.get(CMissingResourceMBox::IDD), ui_, name);
    missing_answer answer;
    answer.button = dialog.DoModal();
    answer.hosted_outside = dialog.hosted_outside != 0;
    answer.name = dialog.resource_name;
    answer.edited = dialog.edited != 0;
    return answer;
}

std::optional<std::string> UiImporterHost::choose_resource_file(const std::string& name)
{
    platform::ui::OpenFileRequest request;
    request.filter = ui_.strings().text(IDS_RESOURCE_FILTER);
    request.default_name = name;
    request.file_must_exist = true;
    auto choice = ui_.open_file(request);
    if (!choice || choice->path.empty())
        return std::nullopt;
    return choice->path;
}

void UiImporterHost::warn_foreign_page()
{
    ui_.message_box(IDS_NOT_OUR_PAGE, MB_OK | MB_ICONINFORMATION);
}

conversion::importer_settings program_importer_settings(const AppContext& context)
{
    conversion::importer_settings settings;
    settings.tag_list_path = core::standard_folder_file_path(1, "aoltags.txt");
    settings.report_path = core::path_combine(core::standard_folder_path(1), "aolincompatible.txt");
    settings.types = conversion::mime_table::load_standard();
    settings.clickto_texts = {context.current_config.GetDisplayDelay(), context.services.ui.strings().text(33154),
        context.services.ui.strings().text(33155)};
    settings.text_style.face = context.settings.current_font;
    settings.text_style.size = context.settings.size > 0 ? context.settings.size : 10;
    settings.text_style.sizes = conversion::default_font_sizes();
    return settings;
}

namespace {

// One importer over the manager's HTML objects, for one import or one paste.
struct program_importer {
    program_importer(AppContext& context, CTalverinDocManager& manager)
        : host(context.services.ui, context.services.dialogs)
        , forms {context.services.profile, context.defaults.gateway_host}
        , importer(host, manager.dictionary().known(0).pictures, manager.dictionary().known(0).clicktos,
              manager.dictionary().known(0).pullfiles, manager.dictionary().known(0).flashfiles,
              manager.GetTempFolder(), context.object_counters, manager.markup_declarations(), forms,
              program_importer_settings(context))
    {
    }

    UiImporterHost host;
    conversion::form_settings forms;
    conversion::quorbis_html_importer importer;
};

}

std::optional<std::string> import_page_into(AppContext& context, CTalverinDocManager& manager, const std::string& page)
{
    program_importer made(context, manager);
    auto result = made.importer.import_page(page);
    if (!result.ok) {
        TRACE_LOG("import_page_into() -- %s\n", result.reason.c_str());
        return std::nullopt;
    }
    for (const std::string& problem : result.problems)
        TRACE_LOG("import_page_into() -- kept as written: %s\n", problem.c_str());
    // The new message's body refers to every object the import placed: a save keeps them.
    manager.dictionary().CollectReferencedObjects(0, result.body);
    return std::move(result.body);
}

std::optional<std::string> PasteFragmentImporter::scan_tags(std::string_view fragment)
{
    program_importer made(context_, manager_);
    made.importer.set_mode_flag(true);
    return made.importer.scan_tags(fragment, false);
}

void bind_html_importer(AppContext& context, CTalverinDocManager& manager)
{
    context.document_seams.import_page = [&context, &manager](const std::string& file) {
        return import_page_into(context, manager, file);
    };
}

}

#include "shell/view/talverin_view.h"

#include "conversion/bodies/page_head.h"
#include "conversion/form_wrapper/form_settings.h"
#include "conversion/form_wrapper/inner_html_cback.h"
#include "core/files/file_path.h"
#include "core/log/trace_log.h"
#include "core/url/file_url.h"
#include "editing/document/block_keys.h"
#include "editing/document/editing_commands.h"
#include "editing/document/form_scripts.h"
#include "platform/com/com_error.h"
#include "platform/files/atomic_write.h"
#include "shell/app_context.h"
#include "shell/documents/talverin_doc_manager.h"
#include "shell/view/page_reduction.h"

namespace shell {

namespace {

constexpr unsigned page_flag_markers = 0x80;

}

CTalverinView::CTalverinView(AppContext& context, CTalverinDocManager* manager) : CWizardView(context, manager)
{
    register_commands();
}

std::string CTalverinView::GetPageHTML(unsigned flags)
{
    const bool validation = editing::insert_form_validation_script(GetHTMLDocument());
    const auto page = CWizardView::GetPageHTML(flags);
    const conversion::form_settings settings {context().services.profile, context().defaults.gateway_host};
    conversion::form_wrapper_flags wrapper;
    wrapper.hidden_mode = conversion::is_form_registration_mode(settings);
    wrapper.secure = secure_submission_;
    wrapper.wrap = form_creation_mode_;
    wrapper.validation = validation;
    auto written = conversion::copy_page_through_form_wrapper(page, wrapper, settings);
    conversion::adjust_head(written);
    return written;
}

std::string CTalverinView::GetPageText(bool store)
{
    if (!site() || !context().conversion)
        return {};
    const auto folder = manager() ? manager()->GetTempFolder() : core::standard_folder_path(0);
    auto temp = core::file_path_make_temp_name(folder, "", "htm", true);
    if (auto error = platform::files::atomic_write(temp.path(), GetPageHTML(get_save_page_flags(edit_mode(), false)), 0600)) {
        TRACE_LOG("CTalverinView::GetPageText() - %s: %s\n", temp.c_str(), error.message().c_str());
        return {};
    }
    auto text = context().conversion->get_page_text(core::make_file_url(temp.path()));
    if (!text) {
        TRACE_LOG("CTalverinView::GetPageText() - the page loader could not read %s\n", temp.c_str());
        return {};
    }
    if (store && manager())
        manager()->dictionary().CollectReferencedObjects(GetDocumentKind(), *text);
    return *text;
}

void CTalverinView::LoadBlankPage()
{
    CWizardView::LoadBlankPage();
    form_creation_mode_ = false;
}

void CTalverinView::LoadInitialPage()
{
    if (!page_to_show_) {
        LoadBlankPage();
        return;
    }
    auto page = std::move(*page_to_show_);
    page_to_show_.reset();
    show_page(page);
}

std::optional<std::string> CTalverinView::page_text(unsigned flags)
{
    if (!site() || !site()->document())
        return std::nullopt;
    try {
        return GetPageHTML(flags);
    } catch (const std::exception& error) {
        TRACE_LOG("CTalverinView::page_text() - the page could not be read: %s\n", error.what());
        return std::nullopt;
    }
}

void CTalverinView::show_page(const std::string& html)
{
    auto* document = site() ? site()->document() : nullptr;
    if (!document) {
        page_to_show_ = html;
        return;
    }
    if (platform::com::failed(document->load_bytes(html)))
        TRACE_LOG("CTalverinView::show_page() - the editing document refused the page\n");
}

bool CTalverinView::is_page_unchanged(std::string_view stored_page)
{
    if (!site() || !site()->document())
        return true; // nothing was edited
    // A page that cannot be read counts as changed: closing must not drop it unasked.
    auto written = page_text(get_save_page_flags(edit_mode(), false) | page_flag_markers);
    return written && is_written_page_unchanged(*written, stored_page);
}

std::string CTalverinView::form_field(std::string_view name)
{
    return editing::get_hidden_field(GetHTMLDocument(), name);
}

void CTalverinView::set_form_registration(const std::string& form_name, const std::string& database)
{
    editing::set_form_id_fields(GetHTMLDocument(), form_name, database);
}

bool CTalverinView::has_submit_input() { return editing::form_has_submit_button(GetHTMLDocument()); }

void CTalverinView::UpdateRedirectScript()
{
    auto pair = GetHTMLDocument();
    if (remove_redirect_link())
        (void)editing::remove_redirect_script(pair);
    else
        (void)editing::insert_redirect_script(pair);
}

bool CTalverinView::may_insert()
{
    auto pair = GetHTMLDocument();
    return !editing::is_control_selection(pair) && !editing::is_non_body_element_active(pair);
}

void CTalverinView::register_commands()
{
    auto& router = commands();
    router.on_command(ID_BULLET, [this](int) { OnListCommand(html::command::unordered_list); });
    router.on_command(ID_NUMBERED_LIST, [this](int) { OnListCommand(html::command::ordered_list); });
    router.on_command(ID_SINGLE_SPACING, [this](int) { OnSingleSpacing(); });
    router.on_update(ID_SINGLE_SPACING, [this](platform::ui::CmdUI& ui) { ui.SetCheck(IsSelectionInDiv()); });
    router.on_update(ID_INSERT_HYPERLINK, ID_INSERT_BOOKMARK, [this](platform::ui::CmdUI& ui) {
        ui.Enable((ui.id == ID_INSERT_LIST_ELEMENT || has_object_service(ui.id)) && may_insert());
    });
}

void CTalverinView::OnListCommand(html::command editing_command)
{
    auto pair = GetHTMLDocument();
    if (!pair.target)
        return;
    if (auto hr = editing::exec_edit_command(pair, static_cast<int>(editing_command), html::OLECMDEXECOPT_PROMPTUSER);
        platform::com::failed(hr))
        throw platform::com::com_error(hr);
}

void CTalverinView::OnSingleSpacing()
{
    auto pair = GetHTMLDocument();
    if (pair.document)
        editing::convert_enclosing_block(pair, !editing::is_selection_in_div(pair));
}

void install_message_view(AppContext& context, std::function<platform::ui::DocManager*()> manager)
{
    context.document_factories[0].view = [&context, manager = std::move(manager)]() -> std::unique_ptr<platform::ui::View> {
        return std::make_unique<CTalverinView>(context, dynamic_cast<CTalverinDocManager*>(manager()));
    };
}

}

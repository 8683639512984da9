#include "shell/view/broadcast_command.h"

#include "broadcast/form_site/registration_dialogs.h"
#include "core/log/trace_log.h"
#include "shell/app_context.h"
#include "shell/documents/document_layout.h"
#include "shell/documents/recent_forms.h"
#include "shell/documents/talverin_doc.h"
#include "shell/documents/talverin_doc_manager.h"
#include "shell/jobs/broadcast_jobs.h"

namespace shell {

namespace {

constexpr unsigned IDS_SAVE_BEFORE_BROADCAST = 1141;

// The web form's steps before a broadcast: the choice between broadcasting and
// (re-)registering, the warning for a form never registered, the registration and the
// record of a newly registered name. True when the broadcast goes on.
bool pass_form_steps(CTalverinDoc& document, const broadcast_form& form, const BroadcastCommandServices& services)
{
    auto& context = services.context;
    auto& ui = context.services.ui;
    const auto& dialogs = context.services.dialogs;
    const bool registered_before = form.state != 0;
    broadcast::CBroadcastOption option(dialogs.get(registered_before ? broadcast::CBroadcastOption::IDD_REREGISTER
                                                                     : broadcast::CBroadcastOption::IDD_REGISTER),
        registered_before ? form.name : std::string(), ui);
    if (option.DoModal() != platform::ui::IDOK)
        return false;
    if (option.choice != 1) {
        if (registered_before)
            return true;
        broadcast::CFormBroadcastWarnDlg warning(dialogs.get(broadcast::CFormBroadcastWarnDlg::IDD), ui);
        const int answer = warning.DoModal();
        if (answer == platform::ui::IDOK)
            return true; // broadcast without registering
        if (answer != platform::ui::IDNO)
            return false;
    }
    const int result = register_form(document, context, services.form_site);
    if (result != registration_abandoned && !registered_before) {
        const auto status = record_recent_form(context.services.profile, form.name);
        if (status != platform::registry::status::ok)
            TRACE_LOG("CTalverinView::on_broadcast() -- the form %s could not be recorded\n", form.name.c_str());
    }
    return result == registered_broadcast_now;
}

}

void on_broadcast(CTalverinDoc& document, const BroadcastCommandServices& services)
{
    auto& ui = services.context.services.ui;
    if (!document.DoSave({}, true))
        return;
    if (auto* view = document.view(); view && view->form_creation_mode()) {
        const auto form = view->broadcast_form(); // a copy, kept while the dialogs run
        if (!pass_form_steps(document, form, services))
            return;
    }
    if (services.is_broadcast_running && services.is_broadcast_running(true))
        return;
    if (!document.HasMessageParts()) {
        ui.message_box(IDS_SAVE_BEFORE_BROADCAST, platform::ui::MB_OK | platform::ui::MB_ICONSTOP);
        return;
    }
    const auto files = document_files_for(document.base_path(), document.anchor_extension(),
        services.manager.dictionaries_folder());
    if (!files)
        return; // a saved message always has its files: its save made them
    try {
        auto job = CreateBroadcastJob(&services.manager, services.context,
            {document.source_name(), files->companion, files->body_parts});
        if (job)
            services.dispatcher.DispatchBroadcast(share_broadcast_job(std::move(job)));
    } catch (const broadcast_job_error& error) {
        TRACE_LOG("CTalverinView::on_broadcast() -- %s\n", error.what());
        ui.message_box(error.what(), platform::ui::MB_OK | platform::ui::MB_ICONERROR);
    }
}

}

#include "shell/view/broadcast_command.h"

#include "core/log/trace_log.h"
#include "shell/app_context.h"
#include "shell/documents/document_layout.h"
#include "shell/documents/talverin_doc.h"
#include "shell/documents/talverin_doc_manager.h"
#include "shell/jobs/broadcast_jobs.h"

namespace shell {

namespace {

constexpr unsigned IDS_SAVE_BEFORE_BROADCAST = 1141;

}

void on_broadcast(CTalverinDoc& document, const BroadcastCommandServices& services)
{
    auto& ui = services.context.services.ui;
    if (!document.DoSave({}, true))
        return;
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

#pragma once

#include "platform/ui/ui_host.h"
#include "shell/package/job_import.h"

#include <functional>
#include <string>

namespace shell {

class CTalverinDocManager;

inline constexpr unsigned IDS_EXPORT_NOTICE = 21751;
inline constexpr unsigned IDS_EXPORT_MISSING_FILES = 21752;
inline constexpr unsigned IDS_EXPORT_TITLE = 21753;
inline constexpr unsigned IDS_EXPORT_FILTER = 21754;
inline constexpr unsigned IDS_EXPORT_DONE = 21755;
inline constexpr unsigned IDS_EXPORT_FAILED = 21756;
inline constexpr unsigned IDS_IMPORT_TITLE = 21757;
inline constexpr unsigned IDS_IMPORT_FILTER = 21758;
inline constexpr unsigned IDS_IMPORT_FOLDER_TITLE = 21759;
inline constexpr unsigned IDS_REPLACE_DOCUMENT = 33112;

// The message document's export command: the notice, a save of every body part (`save`,
// the document's file save, run with the manager's write-every-part flag set, which is
// cleared again whatever the save gave), the package name asked, the package written and
// the outcome told. Afterwards the body parts outside the manager's save mask are removed
// from the message folder again. base_path: the document's F/S after the save (asked of
// `base_path` then).
void export_job_command(platform::ui::UiHost& host, CTalverinDocManager& manager, const std::function<bool()>& save,
    const std::function<std::string()>& base_path, const std::string& anchor_extension);

// The import command: the package and the destination folder asked, a document already
// there replaced only when the user says Yes. The imported document's page, for the caller
// to open; empty when cancelled, declined or failed (the failure shown).
std::string import_job_command(platform::ui::UiHost& host, job_package_importer& importer,
    const std::string& anchor_extension);

}

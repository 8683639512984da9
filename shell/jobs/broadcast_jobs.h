#pragma once

#include "broadcast/job/broadcast_ref.h"
#include "broadcast/job/quorbis_broadcast.h"

#include <memory>
#include <stdexcept>
#include <string>

namespace shell {

struct AppContext;
class CTalverinDocManager;

// A job that could not be made; the message names the file or name at fault.
class broadcast_job_error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A job of one file: named by the file without its extension, the file its only body, "body.txt"
// for a ".txt" file (any case), "body.htm" for any other. Throws broadcast_job_error when the
// file cannot be copied in.
std::unique_ptr<broadcast::quorbis_broadcast> job_from_file(const std::string& path);

// What a saved message document gives its job.
struct document_job_source {
    std::string source_name;      // the file the document was opened, saved or imported as
    std::string companion_folder; // <base>_files: Message_Files, Pull_Files and Push_Files
    std::string body_parts_file;  // the document's body-parts file
};

// The job of the saved document, for the body kinds of the manager's save mask: each body
// from Message_Files; the object files of the HTML body (scanned anew) and of the manager's
// other bodies from Pull_Files as pull files (pictures pulled automatically), the message's
// push files from Push_Files; every file once (names compared ignoring case). The job's folder
// is also recorded with the application's temporary paths. No job without a manager. Throws
// broadcast_job_error naming the file when a file is missing or cannot be copied, or an
// object's name is not a plain file name.
std::unique_ptr<broadcast::quorbis_broadcast> CreateBroadcastJob(CTalverinDocManager* manager, AppContext& context,
    const document_job_source& document);

// The job in a shared holder for the dispatcher; no job gives an empty reference.
broadcast::broadcast_ref share_broadcast_job(std::unique_ptr<broadcast::quorbis_broadcast> job);

}

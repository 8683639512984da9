#pragma once

#include <string>

namespace shell {

// What a job package is made from: the message's companion folder (F/S_files), its
// body-parts file and its manifest, and the package file the user named.
struct job_export_request {
    std::string companion_folder;
    std::string body_parts_file;
    std::string manifest_file;
    std::string package;
};

// Packs the message into G.gz (the package's name with its extension made ".gz"): a zip
// holding only G.tar, which holds G_files, the companion folder's contents, with
// G_files/G.dndtf and G_files/G.objects. Everything is built in a private folder beside G
// and renamed over G at the end, so a failure leaves G and every file beside it as they
// were. The package's path; throws job_package_error naming what failed.
std::string export_job_package(const job_export_request& request);

}

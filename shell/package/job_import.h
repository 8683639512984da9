#pragma once

#include "platform/prompts/message_box.h"
#include "platform/strings/string_table.h"
#include "shell/config/config_services.h"
#include "shell/package/job_archive_listing.h"

#include <cstdint>
#include <functional>
#include <string>

namespace shell {

inline constexpr unsigned IDS_IMPORT_FAILED = 21750; // "Unexpected error occured during importing"

// Bounds on what an import may unpack.
struct job_import_limits {
    job_archive_limits archive;
    // No file the tools write may grow past this (the tar unzipped from a package too).
    std::uint64_t file_size_cap = (std::uint64_t(4) << 30) + (std::uint64_t(256) << 20);
};

// Imports job packages (S.gz holding S.tar, or a bare S.tar, holding S_files with
// S_files/S.dndtf and S_files/S.objects) as the document S in a destination folder. All
// unpacking happens in a private folder inside the destination that goes when the import
// ends; the package and its folder are only read; nothing of a refused package is kept.
// The message is installed in one save transaction, replacing a document there whole.
class job_package_importer final : public JobPackageImporter {
public:
    // dictionaries_folder: where body-parts files and manifests lie; anchor_extension: the
    // page's extension with its dot (".htm").
    job_package_importer(platform::prompts::prompt& prompt, const platform::strings::string_table& strings,
        std::string dictionaries_folder, std::string anchor_extension, job_import_limits limits = {});

    // Asked, with the document's base path, before a document already there is replaced; false
    // keeps it and the import gives nothing. Unset: replaced without asking.
    std::function<bool(const std::string& base_path)> confirm_replace;

    // The new document's anchor path; empty when the user kept the document already there.
    // Throws job_package_error saying why the package cannot be imported.
    std::string ImportJobPackage(const std::string& package, const std::string& destination);

    // ImportJobPackage with its failure shown to the user ("Unexpected error occured during
    // importing" and the reason); empty then.
    std::string import_job_package(const std::string& package, const std::string& destination) override;

private:
    platform::prompts::prompt& prompt_;
    const platform::strings::string_table& strings_;
    std::string dictionaries_folder_;
    std::string anchor_extension_;
    job_import_limits limits_;
};

}

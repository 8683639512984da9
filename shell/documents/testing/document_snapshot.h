#pragma once

#include "shell/documents/save_transaction.h"

#include <map>
#include <string>

namespace shell::testing {

// Everything a document is on disk, by path relative to its folder or to the dictionaries
// folder ("F/..." and "D/..."): file bytes, "<dir>" for folders, "<link>" for links. Every
// entry of both folders is taken, so leftover staging shows as an extra entry.
using document_snapshot = std::map<std::string, std::string>;

document_snapshot snapshot_document(const document_files& files);

// A document of one version: page, one body part, one pull file, body-parts file and
// manifest, each naming the version.
void write_document_version(const document_files& files, const std::string& version);

// The same version written into a transaction's staging.
void stage_document_version(const SaveTransaction& transaction, const std::string& version);

}

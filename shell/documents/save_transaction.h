#pragma once

#include <functional>
#include <optional>
#include <string>

namespace shell {

// The four places one message document occupies, replaced together by a save: the page
// (anchor) F/S.E, the companion folder F/S_files, and in the dictionaries folder the
// body-parts file <flat>.dndtf and the push-files manifest <flat>.objects.
struct document_files {
    std::string anchor;
    std::string companion;
    std::string body_parts;
    std::string manifest;
};

// The commit record of a document: <flat>.commit beside its body-parts file.
std::string commit_record_path(const document_files& files);

// Where a commit stands; a step hook sees each before it is taken.
enum class save_step {
    sync_staging,      // fsync every staged file and folder
    write_record,      // the commit record, written atomically
    rename_files,      // page, body-parts file and manifest renamed over the old ones
    move_old_tree,     // the old companion folder renamed aside
    install_tree,      // the staged tree renamed into place
    remove_old_tree,   // the old tree deleted
    remove_record,     // the commit record deleted: the save is over
};

// Called before each step; false makes the commit fail there (tests inject faults and
// kill children this way).
using save_step_hook = std::function<bool(save_step)>;

// One save of a document: the new version is written into staging places beside the old
// one, then commit() makes it current. Until the commit record is durable, a failure or a
// crash leaves the old files byte-identical; after it, recover_document finishes the
// switch. So a reader after recovery sees the whole old document or the whole new one.
//
// Staging: F/.S_files.new-XXXXXX (an empty folder to fill), F/.S.E.new-XXXXXX (the page),
// <flat>.dndtf.new and <flat>.objects.new. A staged file left unwritten removes that file
// at commit (the document then has none), except the page, which must be written.
class SaveTransaction {
public:
    // Recovers the document first. Throws std::runtime_error naming the path when the
    // staging places cannot be made.
    explicit SaveTransaction(document_files target, save_step_hook hook = {});
    // Removes whatever staging was not committed.
    ~SaveTransaction();
    SaveTransaction(const SaveTransaction&) = delete;
    SaveTransaction& operator=(const SaveTransaction&) = delete;

    const document_files& target() const { return target_; }
    // Where the new version goes (same shape as the target).
    const document_files& staged() const { return staged_; }

    // Empty on success; otherwise the reason, naming the path. Before the record is written
    // a failure removes the staging and keeps the old version; after it the switch is
    // finished by the next recovery.
    [[nodiscard]] std::string commit();

private:
    document_files target_;
    document_files staged_;
    std::string old_tree_;
    save_step_hook hook_;
    bool recorded_ = false;
};

// Before any open, save or import of a document: a recorded commit is finished; staging
// without a record (a save that died before its record) is removed. Empty on success,
// otherwise the reason naming the path.
[[nodiscard]] std::string recover_document(const document_files& files);

// A message unpacked somewhere (an import): its page file (none: a placeholder page is
// written), its companion folder tree, body-parts file and manifest.
struct unpacked_message {
    std::optional<std::string> page;
    std::string companion;
    std::string body_parts;
    std::string manifest;
};

// Installs an unpacked message as the document `target` in one transaction: the tree is
// moved into staging (copied when it lies on another file system), the files copied; the
// existing document, if any, is replaced whole or, on failure, kept byte-identical. The
// source files are left as they are except the tree when it could be moved. Empty on
// success, otherwise the reason naming the path.
[[nodiscard]] std::string install_message(const document_files& target, const unpacked_message& source,
    const save_step_hook& hook = {});

}

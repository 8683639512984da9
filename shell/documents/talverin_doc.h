#pragma once

#include "platform/ui/command_router.h"
#include "platform/ui/doc_manager.h"
#include "shell/documents/document_layout.h"
#include "shell/documents/message_view.h"
#include "shell/documents/save_transaction.h"

#include <functional>
#include <optional>
#include <string>

namespace shell {

struct AppContext;
class CTalverinDocManager;

using platform::ui::ID_FILE_SAVE;
using platform::ui::ID_FILE_SAVE_AS;

// The document of the main editor: one HTML message. Its page file (the anchor) is only a
// Save Results page; the message lives in the companion folder beside it and in two files
// of the dictionaries folder (see document_layout.h). Every save replaces all of them in
// one SaveTransaction.
class CTalverinDoc final : public platform::ui::Document {
public:
    // Registers itself as the context's current document while it lives.
    CTalverinDoc(AppContext& context, CTalverinDocManager& manager);
    ~CTalverinDoc() override;

    bool OnNewDocument() override;
    bool OnOpenDocument(const std::string& path) override;
    bool DoSave(const std::string& path, bool replace = true) override;
    bool OnSaveDocument(const std::string& path) override;
    // Stores the message under the page path given (edit modes 0 and 1).
    bool Serialize(const std::string& path) override;
    bool SaveModified() override;
    bool IsModified() override;
    void SetPathName(const std::string& path, bool add_to_recent = true) override;

    // The view that edits the message: the first view that is a MessageView.
    MessageView* view() const;

    const std::string& base_path() const { return doc_path_; }
    const std::string& saved_page() const { return saved_page_; }
    const std::string& source_name() const { return source_name_; }

    // The page extension: the first template's, else ".greetings" in edit mode 1, ".htm".
    std::string anchor_extension() const;
    // The page path (the placeholder written when missing): the full path, or only the
    // file name; empty without a base path.
    std::string GetDocumentFilePath(bool full);
    // A body part (kinds 0-2) or the body-parts file (3), the folders on the way made.
    std::string GetMessagePartPath(int kind);
    // Every body part that the save mask asks for exists.
    bool HasMessageParts() const;

    // The Save Results page for the document as it stands in `files` (the pull and push
    // files are listed from `listed_companion`).
    std::string WriteSaveResultsPage(const document_files& files, const std::string& listed_companion) const;

    // The document no longer belongs to its files: a new, modified message whose first save
    // asks for a name (a template opened as a new message).
    void DetachFromFile();

    // File Save and File Save As, as the frame routes them after the view's commands.
    platform::ui::CommandRouter& commands() { return commands_; }

    // Run between staging and commit of every save (tests stop a save there).
    void set_save_step_hook(save_step_hook hook) { save_hook_ = std::move(hook); }

protected:
    void OnViewAdded(platform::ui::View& view) override;

private:
    // Shows the page in the view, or keeps it for the view that joins later.
    void show(const std::string& page);
    std::optional<document_files> files_for(const std::string& base) const;
    bool common_load(const std::string& page_path);
    bool load_body(const std::string& page_path, const document_files& files);
    bool import_file(const std::string& path);
    bool open_message_mode0(const std::string& path);
    bool save_clickto_page(const std::string& path);
    // The result file of a click-to page's child copy: two lines per picture.
    void write_picture_results();
    bool save_greetings_body();
    // The form's registered name asked for and written into the page; false: cancelled.
    bool ask_form_name();
    void report_save_failure(const std::string& reason);

    AppContext& context_;
    CTalverinDocManager& manager_;
    std::string doc_path_;
    std::string saved_page_;
    std::string source_name_;
    std::optional<std::string> page_to_show_;
    save_step_hook save_hook_;
    platform::ui::CommandRouter commands_;
};

// The factory of the first document template: a message document over the document
// manager `manager` gives once the application has made it.
void install_message_document(AppContext& context, std::function<platform::ui::DocManager*()> manager);

}

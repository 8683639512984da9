#pragma once

// The document of the plain-text message, and the base of the HTML-lite message's: its text
// lives in the editing component of its view; a save writes the visible text into the
// document's file and the markup into the ".htm" file beside it.

#include "platform/ui/command_router.h"
#include "platform/ui/doc_manager.h"

#include <functional>
#include <string>

namespace shell {

struct AppContext;
class CTalverinDocManager;
class CWizardView;

inline constexpr int ID_SAVE_AND_EXIT = 33064;
inline constexpr int ID_CANCEL_AND_EXIT = 33063;

class CWizardDoc : public platform::ui::Document {
public:
    CWizardDoc(AppContext& context, CTalverinDocManager* manager);

    bool OnNewDocument() override { return true; }
    // The view loads the page itself: the document takes the path.
    bool OnOpenDocument(const std::string& path) override;
    // The visible text into the file, the markup into its ".htm" companion; false, nothing
    // written, when the page cannot be read back.
    bool Serialize(const std::string& path) override;
    bool IsModified() override;
    // The title is always the body-part name.
    void SetPathName(const std::string& path, bool add_to_recent = true) override;
    void OnCloseDocument() override;
    bool SaveModified() override;
    bool DoSave(const std::string& path, bool replace = true) override;
    using Document::PreCloseFrame;
    // Before a frame of that kind (1 HTML-lite, 2 text, 0 other) closes: a scratch document
    // (no body file of the kind kept, edit mode not 1) loses its file, ".htm" and ".tmp", but
    // only when it lies in the document manager's working folder.
    void PreCloseFrame(int frame_kind);

    // The string id of the body-part name.
    virtual unsigned GetBodyPartNameId() const { return 3093; }
    // The document kind the document manager knows it by: 2 here, 1 for HTML-lite.
    virtual int DocumentKind() const { return 2; }

    // "&Save and Exit", "&Cancel and Exit".
    void OnSaveAndExit();
    void OnCancelAndExit();
    // Routes the two commands; false for another id.
    bool OnCmdMsg(int id);
    // The document's commands as the frame routes them, after the view's.
    platform::ui::CommandRouter& commands() { return commands_; }

    // The first view that is a CWizardView; null when there is none.
    CWizardView* FindWizardView() const;

    // Closes the document and its frame (the framework's close, set by the frame).
    void set_close_handler(std::function<void()> close) { close_ = std::move(close); }

protected:
    AppContext& context() const { return context_; }
    CTalverinDocManager* manager() const { return manager_; }

private:
    std::string body_part_name() const;
    void close_document();

    AppContext& context_;
    CTalverinDocManager* manager_;
    std::function<void()> close_;
    platform::ui::CommandRouter commands_;
};

// P with its extension replaced ("htm" gives P.htm).
std::string path_with_extension(const std::string& path, const std::string& extension);
// Whether the file lies directly in the folder, the folder and the file's folder resolved
// (links in them followed), the file itself not followed.
bool lies_in_folder(const std::string& path, const std::string& folder);

// The factories of the third template: the text document and its view, over the document
// manager `manager` gives once the application has made it.
void install_text_document(AppContext& context, std::function<platform::ui::DocManager*()> manager);

}

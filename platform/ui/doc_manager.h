#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace platform::ui {

class CommandRouter;
class UiHost;
class Document;
class Frame;

// The commands every document answers.
inline constexpr int ID_FILE_SAVE = 57603;
inline constexpr int ID_FILE_SAVE_AS = 57604;

// A view of a document.
class View {
public:
    virtual ~View() = default;
    // The view has joined its document and shows it now; false when it could not be made
    // ready (it has told the user), and the document is not kept.
    virtual bool OnInitialUpdate() { return true; }
    Document* GetDocument() const { return document_; }
    void SetDocument(Document* document) { document_ = document; }
    // The frame that shows the view, told before the initial update; null when it goes.
    virtual void AttachFrame(Frame* /*frame*/) { }

private:
    Document* document_ = nullptr;
};

// A document: its path name and title, the modified flag, the views that show it, and the
// save and close steps. Saving runs DoSave -> OnSaveDocument -> Serialize, each of which a
// document class may replace.
class Document {
public:
    // The host asks the user (save prompts, file names); without one nothing is asked and a
    // save that needs a name fails.
    explicit Document(UiHost* host = nullptr);
    virtual ~Document() = default;
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;

    virtual bool OnNewDocument() { return true; }
    virtual bool OnOpenDocument(const std::string& path) = 0;

    // Saves under `path`, or under a name the user gives when it is empty; with `replace`
    // the document takes that name. True when the document was written.
    virtual bool DoSave(const std::string& path, bool replace = true);
    // DoSave under the document's own path name.
    bool DoFileSave() { return DoSave(path_name_, true); }
    // Serialize into the path, then the document is no longer modified.
    virtual bool OnSaveDocument(const std::string& path);
    // Writes the document to the path; the base class has nothing to write.
    virtual bool Serialize(const std::string& path);
    // Asks whether a modified document is saved before it goes (Yes saves, No drops the
    // changes, Cancel keeps it open); true when it may go.
    virtual bool SaveModified();
    // The document is closing: its views go.
    virtual void OnCloseDocument() { views_.clear(); }
    // Before the frame closes: true lets it close (a document that must not close says no).
    virtual bool PreCloseFrame() { return SaveModified(); }

    virtual bool IsModified() { return modified_; }
    void SetModifiedFlag(bool modified = true) { modified_ = modified; }

    const std::string& GetPathName() const { return path_name_; }
    // The path and, from its file name, the title.
    virtual void SetPathName(const std::string& path, bool add_to_recent = true);
    const std::string& GetTitle() const { return title_; }
    void SetTitle(std::string title) { title_ = std::move(title); }

    void AddView(View& view);
    void RemoveView(View& view);
    const std::vector<View*>& views() const { return views_; }

    // A number no other document of this process has had: what a result started for one
    // document is told apart by from the next one's.
    std::uint64_t serial() const { return serial_; }

protected:
    UiHost* host() const { return host_; }
    // File Save (DoFileSave) and File Save As (DoSave, asking for the name) on the document's
    // command route.
    void route_file_commands(CommandRouter& commands);
    // A view joined the document (a document loaded before its view shows it here).
    virtual void OnViewAdded(View&) { }

private:
    UiHost* host_;
    std::uint64_t serial_;
    bool modified_ = false;
    std::string path_name_;
    std::string title_;
    std::vector<View*> views_;
};

// The window that shows a document through its view.
class Frame {
public:
    virtual ~Frame() = default;
    // Makes the frame's window for a template's resource id; false when it could not be made.
    virtual bool LoadFrame(unsigned /*resource_id*/) { return true; }
    // Brings the frame forward and brings its bars and menu checks up to date.
    virtual void ActivateFrame() { }

    Document* GetActiveDocument() const { return active_document_; }
    void set_active_document(Document* document) { active_document_ = document; }
    View* GetActiveView() const { return active_view_; }
    void SetActiveView(View* view) { active_view_ = view; }

private:
    Document* active_document_ = nullptr;
    View* active_view_ = nullptr;
};

// One kind of document with its frame and view, described by seven strings.
class DocTemplate {
public:
    enum DocStringIndex { windowTitle, docName, fileNewName, filterName, filterExt, regFileTypeId, regFileTypeName };

    struct Factories {
        std::function<std::unique_ptr<Document>()> document;
        std::function<std::unique_ptr<Frame>()> frame;
        std::function<std::unique_ptr<View>()> view;
    };

    // The strings as one text with the fields separated by "\n".
    DocTemplate(unsigned resource_id, const std::string& strings, Factories factories);

    unsigned resource_id() const { return resource_id_; }
    const std::string& GetDocString(DocStringIndex index) const { return strings_.at(index); }
    const Factories& factories() const { return factories_; }
    // False until the document class exists: such a template opens nothing.
    bool can_create() const { return static_cast<bool>(factories_.document); }

private:
    unsigned resource_id_;
    std::array<std::string, 7> strings_;
    Factories factories_;
};

// Splits a document-string resource into its seven fields (missing ones empty).
std::array<std::string, 7> split_doc_strings(const std::string& text);

// The templates of the program, the extension table that maps a template index to its
// extension, and the current document (one at a time).
class DocManager {
public:
    enum class Outcome { opened, no_document_class, failed };

    virtual ~DocManager() = default;

    void AddDocTemplate(std::unique_ptr<DocTemplate> doc_template);
    const std::vector<std::unique_ptr<DocTemplate>>& templates() const { return templates_; }
    void set_extension(int index, std::string extension) { extensions_[index] = std::move(extension); }
    const std::map<int, std::string>& extensions() const { return extensions_; }

    // The template for a file: the one whose extension ends its name (without regard to
    // case), else the first.
    DocTemplate* template_for(const std::string& path) const;

    virtual Outcome open_document_file(const std::string& path);
    virtual Outcome on_file_new();

    Document* current_document() const { return document_.get(); }
    // The one frame, made with the first document whose template has a frame class.
    Frame* frame() const { return frame_.get(); }
    // The views the manager made for the current document.
    const std::vector<std::unique_ptr<View>>& current_views() const { return views_; }

private:
    // Makes the template's frame when there is none yet, then the template's view for the
    // document, tells it its frame, joins them and runs its initial update; then the
    // document and its view become the current ones and the frame shows them. False when
    // the frame could not be made or the view could not be made ready.
    bool keep(const DocTemplate& doc_template, std::unique_ptr<Document> document);
    // Makes the frame from the template when there is none; false when it could not be made.
    bool make_frame(const DocTemplate& shown_by);

    std::vector<std::unique_ptr<DocTemplate>> templates_;
    std::map<int, std::string> extensions_;
    std::unique_ptr<Document> document_;
    std::vector<std::unique_ptr<View>> views_;
    std::unique_ptr<Frame> frame_; // destroyed before the views and the document it shows
};

// The command line's request to the document manager: a new document, or a file to open.
struct ShellCommand {
    enum class Kind { file_new, file_open } kind = Kind::file_new;
    std::string file_name;
};

DocManager::Outcome process_shell_command(DocManager& manager, const ShellCommand& command);

}

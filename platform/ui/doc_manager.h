#pragma once

#include <array>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace platform::ui {

class Document {
public:
    virtual ~Document() = default;
    virtual bool OnNewDocument() { return true; }
    virtual bool OnOpenDocument(const std::string& path) = 0;
};

class Frame {
public:
    virtual ~Frame() = default;
};

class View {
public:
    virtual ~View() = default;
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

private:
    std::vector<std::unique_ptr<DocTemplate>> templates_;
    std::map<int, std::string> extensions_;
    std::unique_ptr<Document> document_;
};

// The command line's request to the document manager: a new document, or a file to open.
struct ShellCommand {
    enum class Kind { file_new, file_open } kind = Kind::file_new;
    std::string file_name;
};

DocManager::Outcome process_shell_command(DocManager& manager, const ShellCommand& command);

}

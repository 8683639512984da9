#pragma once

#include "core/markup/dtd_strict.h"
#include "platform/ui/doc_manager.h"
#include "shell/documents/conversion_services.h"
#include "shell/documents/object_dictionary.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace shell {

struct AppContext;

inline constexpr unsigned IDS_NO_DOCUMENT_CREATED = 61700; // "Failed to create empty document."
inline constexpr unsigned IDS_HTML_FILTER = 20007;         // "Lite HTML Files (*.html; *.htm)"
inline constexpr unsigned IDS_TEXT_FILTER = 20008;         // "Plain Text File (*.txt)"
inline constexpr unsigned AFX_IDS_OPENFILE = 61445;        // "Open"
inline constexpr unsigned AFX_IDS_SAVEFILE = 61446;        // "Save As"

// The program's document manager: beside the templates it owns what the three message
// documents share while the program runs: a working folder for the body files and object
// files, the body file of each document kind, the save options and the markup declarations.
class CTalverinDocManager final : public platform::ui::DocManager {
public:
    CTalverinDocManager(AppContext& context, ConversionServices& conversion);
    ~CTalverinDocManager() override;
    CTalverinDocManager(const CTalverinDocManager&) = delete;
    CTalverinDocManager& operator=(const CTalverinDocManager&) = delete;

    // What the file dialog answered.
    enum class prompt_answer { cancelled, chosen, skipped };

    // The file dialog of File Open (open) and Save As. `file_name` receives the full path
    // of a chosen file; a skipped save dialog leaves it and every stored value unchanged.
    prompt_answer DoPromptFileName(std::string& file_name, unsigned title_id, bool open,
        const platform::ui::DocTemplate* doc_template);
    // File New: always a message document of the first template, saving its HTML body only.
    Outcome on_file_new() override;
    // Opens a file as a fresh document; the one kept before stays on failure.
    Outcome open_document_file(const std::string& path) override;

    const std::string& GetTempFolder() const { return working_folder_; }
    std::string GetDocFileName(int kind, bool full_path) const;
    bool SetDocFileName(int kind, const std::string& path);
    bool DocFileExists(int kind) const;
    // A new, unique body file in the working folder: "qbw" + digits, with the template's
    // extension; the empty ".tmp" file of the same name is kept beside it. Not stored.
    std::string MakeDocFileName(int kind) const;
    void DeleteDocFile(int kind);
    void DeleteDocFiles();
    // The template index of an extension (blanks around it and case ignored); 3 for none.
    int GetTemplateIndexByExtension(const std::string& extension) const;
    void SetTemplateExtension(int index, const std::string& extension) { set_extension(index, extension); }
    void SetDocumentName(const std::string& name);
    const std::string& document_name() const { return document_name_; }
    int GetPendingChange() const { return pending_change_; }
    void SetPendingChange(int value) { pending_change_ = value; }

    int save_mask() const { return save_mask_; }
    void set_save_mask(int mask) { save_mask_ = mask; }
    int filter_index() const { return filter_index_; }
    int display_results() const { return display_results_; }
    void set_display_results(int value) { display_results_ = value; }
    int write_every_part() const { return write_every_part_; }
    void set_write_every_part(int value) { write_every_part_ = value; }
    // Set by the save dialog when the user agreed to replace a message whose attachments are
    // in use elsewhere; the dictionary's save reads and clears it.
    bool& attachments_in_use() { return attachments_in_use_; }
    // The active view edits one body only (the save panel then offers the HTML body alone).
    void set_single_body_view(bool single) { single_body_view_ = single; }

    const core::CDTDStrict& markup_declarations() const { return dtd_; }
    ObjectDictionary& dictionary() { return dictionary_; }
    void ClearPushFiles() { dictionary_.ClearPushFiles(); }

    // A body taken out of the editor: normalised and, with the scan's record flag, its
    // objects found anew as the kind's referenced objects (flags of body_scan_flags).
    std::string AdjustDictContent(int kind, std::string_view body, unsigned flags);

    // Cuts the editor's object markers out of a body; the pull files and click-tos they
    // named leave the kind's referenced objects.
    void StripObjectMarkers(std::string& body, int kind);

    // The bodies of the message into a body-parts file: a kind whose body file exists has
    // its section. False when the file could not be written.
    [[nodiscard]] bool SaveBodyParts(const std::string& path) const;
    // The body files made anew from a body-parts file; the HTML page as the generator writes
    // it for output (empty without an HTML section). Nothing when the HTML body could not be
    // made; another kind that could not be made is left without a body file.
    std::optional<std::string> LoadBodyParts(const std::string& path);
    // Mode 0 (open): the dictionaries and push files read back from the manifest and the
    // object files copied from the message folders into the working folder. Mode 1 (save):
    // the manifest and the object and push files written into the given folders and file
    // only, which the caller commits. False when a file could not be copied or written.
    [[nodiscard]] bool ExchangeDictionary(int mode, const std::string& pull_folder, const std::string& push_folder,
        const std::string& manifest_path);
    // Whether a file in the message folders is in use elsewhere; tells the user so unless
    // they agreed to it in the save dialog. The agreement is used up.
    bool warn_attachments_in_use(const std::string& pull_folder, const std::string& push_folder);
    // Where the body-parts files and manifests lie: <data folder>/dictionaries.
    std::string dictionaries_folder() const;

private:
    class body_dictionary;

    // The file that holds a kind's body in the body-parts file: the HTML body itself, for the
    // other kinds the HTML page they are made from.
    std::string body_source_file(int kind) const;
    bool open_dictionary(const std::string& pull_folder, const std::string& push_folder,
        const std::string& manifest_path);
    bool save_dictionary(const std::string& pull_folder, const std::string& push_folder,
        const std::string& manifest_path);

    AppContext& context_;
    ConversionServices& conversion_;
    std::int32_t save_mask_ = 1;
    std::int32_t filter_index_ = 0;
    std::int32_t display_results_ = 0;
    std::int32_t write_every_part_ = 0;
    std::string document_name_;
    std::int32_t pending_change_ = 0;
    std::string working_folder_;
    std::map<int, std::string> body_files_;
    core::CDTDStrict dtd_;
    ObjectDictionary dictionary_;
    bool attachments_in_use_ = false;
    bool single_body_view_ = false;
};

// Whether the save mask of the manager asks for the body of a kind.
bool is_body_kind_in_save_mask(const CTalverinDocManager& manager, int kind);

}

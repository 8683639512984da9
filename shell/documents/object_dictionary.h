#pragma once

#include "core/markup/html_tag.h"
#include "core/vocab/object_names.h"
#include "shell/documents/body_scanner.h"
#include "shell/documents/conversion_services.h"
#include "shell/objects/object_records.h"
#include "shell/objects/shell_files.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace shell {

// The managed objects of the open message, for each document kind (0 HTML, 1 HTML-lite,
// 2 text): the known objects (from the manifest, the editor's dialogs and recording scans;
// every lookup goes here) and the referenced ones (what the last scan found in the body, and
// what a save writes), beside the list of push files.
class ObjectDictionary final : public BodyScanDictionary {
public:
    ObjectDictionary(ConversionServices& conversion, std::string working_folder);
    ~ObjectDictionary() override;
    ObjectDictionary(const ObjectDictionary&) = delete;
    ObjectDictionary& operator=(const ObjectDictionary&) = delete;

    // Throws std::out_of_range for a kind outside 0..2.
    object_maps& known(int kind) { return known_.at(static_cast<std::size_t>(kind)); }
    object_maps& referenced(int kind) { return referenced_.at(static_cast<std::size_t>(kind)); }
    std::vector<push_file_record>& push_files() { return push_files_; }

    // The editor's dialogs: a new id stores a new record (its file copied into the working
    // folder as the record asks), a known one is updated. Nothing when a step failed.
    std::optional<picture_record> UpdatePicture(int kind, const std::string& source, const std::string& text,
        std::int32_t pulled, std::int32_t id);
    std::optional<flash_record> UpdateFlashFile(int kind, const std::string& source, std::int32_t pulled,
        std::int32_t id);
    std::optional<pullfile_record> UpdatePullFile(int kind, const std::string& source, std::int32_t pulled,
        const std::string& picture_source, const std::string& picture_text, std::int32_t picture_pulled,
        std::int32_t show_size, std::int32_t id);
    std::optional<clickto_record> UpdateClickTo(int kind, const std::string& text, const std::string& target,
        const std::string& picture_source, const std::string& picture_text, std::int32_t picture_pulled,
        std::int32_t id);

    // Copies a known record into the target map under its id; false when it is not known.
    bool CopyPictureFromKnown(int kind, std::int32_t id, picture_map& target) override;
    // The first known picture whose source is the given one, else whose source holds it as
    // whole path components.
    bool CopyPictureBySourceFromKnown(int kind, std::string_view source, picture_map& target) override;
    bool CopyFlashFromKnown(int kind, std::int32_t id, flash_map& target) override;
    // A link's copy loses its companion picture, which the picture inside the link brings back.
    bool CopyPullFileFromKnown(int kind, std::int32_t id, pullfile_map& target, bool link) override;
    bool CopyClickToFromKnown(int kind, std::int32_t id, clickto_map& target, bool link) override;

    // Records from a managed element of a body; also_known adds them to the known objects.
    void AddPicture(int kind, std::int32_t id, picture_map& target, const core::CHTMLTag& element,
        bool also_known) override;
    void AddFlashFromObject(int kind, std::string_view object_text, std::int32_t id, flash_map& target,
        bool also_known) override;
    void AddFlashFromLink(int kind, std::int32_t id, flash_map& target, const core::CHTMLTag& element,
        bool also_known) override;
    void AddPullFile(int kind, std::int32_t id, pullfile_map& target, const core::CHTMLTag& element,
        bool also_known) override;
    void AddClickTo(int kind, std::int32_t id, clickto_map& target, const core::CHTMLTag& element,
        bool also_known) override;

    std::optional<std::string> known_link_source(int kind, int object_kind, std::int32_t id) override;

    void ClearKnownDictionary(int kind) { known(kind) = {}; }
    void ClearBodyDictionary(int kind) { referenced(kind) = {}; }
    // A body without object marks: the known objects whose pull placeholder it holds.
    void CollectReferencedObjects(int kind, std::string_view body);
    // Both sets of the kind become the HTML body's known objects; for the other kinds the
    // pull files and click-tos lose their companion pictures.
    void CopyDictionaryFromHtml(int kind);
    // Removes every push file's working copy and empties the list.
    void ClearPushFiles();

private:
    // The source of a link or a sound; for the picture inside a link, which only completes
    // the link's entry, nothing.
    template <class Record>
    std::optional<std::string> linked_source(int kind, std::int32_t id, std::map<std::int32_t, Record>& target,
        const core::CHTMLTag& element, bool also_known, const char* word);
    template <class Record>
    bool copy_linked_from_known(const std::map<std::int32_t, Record>& known_map, const char* word, std::int32_t id,
        std::map<std::int32_t, Record>& target, bool link);
    std::string resolve_object_source(const std::string& source) const;

    ConversionServices& conversion_;
    std::string working_folder_;
    std::array<object_maps, 3> known_;
    std::array<object_maps, 3> referenced_;
    std::vector<push_file_record> push_files_;
};

}

#pragma once

#include "core/markup/dtd_strict.h"
#include "core/markup/html_tag.h"
#include "core/vocab/object_names.h"
#include "shell/objects/object_records.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace shell {

// What the scanner asks of the object dictionary: the document manager's operations of
// the same names, for the document kind given. Lookups answer whether the record was found
// and copied into the target map.
class BodyScanDictionary {
public:
    virtual ~BodyScanDictionary() = default;

    virtual bool CopyPictureFromKnown(int kind, std::int32_t id, picture_map& target) = 0;
    virtual bool CopyPictureBySourceFromKnown(int kind, std::string_view source, picture_map& target) = 0;
    virtual bool CopyFlashFromKnown(int kind, std::int32_t id, flash_map& target) = 0;
    // is_link: the element is an "A" or "AREA", whose picture is recorded by its own element.
    virtual bool CopyPullFileFromKnown(int kind, std::int32_t id, pullfile_map& target, bool is_link) = 0;
    virtual bool CopyClickToFromKnown(int kind, std::int32_t id, clickto_map& target, bool is_link) = 0;

    virtual void AddPicture(int kind, std::int32_t id, picture_map& target, const core::CHTMLTag& element,
        bool also_to_known) = 0;
    // object_text: the OBJECT element with what it holds, up to its end tag.
    virtual void AddFlashFromObject(int kind, std::string_view object_text, std::int32_t id, flash_map& target,
        bool also_to_known) = 0;
    virtual void AddFlashFromLink(int kind, std::int32_t id, flash_map& target, const core::CHTMLTag& element,
        bool also_to_known) = 0;
    virtual void AddPullFile(int kind, std::int32_t id, pullfile_map& target, const core::CHTMLTag& element,
        bool also_to_known) = 0;
    virtual void AddClickTo(int kind, std::int32_t id, clickto_map& target, const core::CHTMLTag& element,
        bool also_to_known) = 0;

    // The source of the known pull file (object kind 2) or click-to (3) of that id.
    virtual std::optional<std::string> known_link_source(int kind, int object_kind, std::int32_t id) = 0;
};

// Flags of a scan.
enum body_scan_flags : unsigned {
    scan_normalise = 0x01,       // drop unknown elements, fix references, rewrite Flash movie sources
    scan_record = 0x02,          // record objects in the target maps
    scan_known_first = 0x04,     // look objects up among the known ones first; new ones join them
    scan_drop_handlers = 0x08,   // remove script event-handler attributes (not from SCRIPT)
    scan_redirector = 0x10,      // name the redirector in links that ask for it
    scan_keep_xmp = 0x40,        // pass XMP sections unchanged
    scan_keep_sources = 0x80,    // keep stored sources, bookmark text and the editing style block
};

// Walks the HTML text of one message body element by element, writes a normalised copy and
// records the managed objects (elements with a "quorbis_id") through the dictionary.
class BodyScanner {
public:
    struct context {
        const core::CDTDStrict& dtd;      // empty when no declarations are loaded
        BodyScanDictionary& dictionary;
        std::string redirector_path;      // the program's, from its command line
        std::string pull_folder;          // the message's Pull_Files folder
        core::object_name_counters* counters = nullptr; // raised by every object number found
    };

    explicit BodyScanner(context given) : context_(std::move(given)) { }

    // ScanBodyObjects: the normalised body. Unless nested, the click-to pages of the click-to
    // map are scanned afterwards into the same picture, Flash and pull-file maps.
    std::string ScanBodyObjects(int kind, std::string_view body, picture_map& pictures, flash_map& flashfiles,
        pullfile_map& pullfiles, clickto_map& clicktos, unsigned flags, bool nested);
    std::string ScanBodyObjects(int kind, std::string_view body, object_maps& targets, unsigned flags, bool nested)
    {
        return ScanBodyObjects(kind, body, targets.pictures, targets.flashfiles, targets.pullfiles, targets.clicktos,
            flags, nested);
    }

private:
    context context_;
};

}

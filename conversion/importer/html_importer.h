#pragma once

// The HTML importer: a page (or a text file) the user opens or pastes becomes a message body
// the editor manages. Every picture, Flash movie, background, background sound and link
// target it refers to is copied into the message folder, recorded as a message object and
// tagged with its element id; markup the editor cannot keep goes; the page's forms are kept
// or handed to the service's form handler. Questions go to the host.

#include "conversion/aol_tag_dictionary.h"
#include "conversion/form_wrapper/form_settings.h"
#include "conversion/importer/link_classification.h"
#include "conversion/objects/clickto_page.h"
#include "conversion/text_import/text_to_html.h"
#include "core/markup/dtd_strict.h"
#include "core/markup/html_tag.h"
#include "core/vocab/object_names.h"
#include "shell/objects/object_records.h"

#include <cstdint>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace conversion {

// The buttons of the importer's dialogs, as the host answers them.
inline constexpr int IDC_FORM_MODIFY = 1202;
inline constexpr int IDC_FORM_IGNORE = 102;
inline constexpr int IDC_YES_TO_ALL = 1143;
inline constexpr int import_answer_ok = 1;
inline constexpr int import_answer_cancel = 2;  // No to All in the missing-resource box
inline constexpr int import_answer_no = 7;

// What the importer asks of the user and shows while it works.
class importer_host {
public:
    virtual ~importer_host() = default;

    // The form question: Modify, Ignore, or any other answer (the box closed), read as Modify.
    virtual int ask_form_action() = 0;

    struct missing_answer {
        int button = import_answer_no;  // OK, No, No to All (cancel) or Yes to All
        bool hosted_outside = false;
        std::string name;               // as the user left it
        bool edited = false;            // the user changed the name
    };
    // The missing-resource box for a reference that names no file.
    virtual missing_answer ask_missing_resource(const std::string& name) = 0;
    // The file-open dialog, starting at the name; nothing when cancelled.
    virtual std::optional<std::string> choose_resource_file(const std::string& name) = 0;
    // The information that the page was made by another program.
    virtual void warn_foreign_page() = 0;
    virtual void begin_wait() { }
    virtual void end_wait() { }
};

// Where the importer finds what it reads and writes besides the page.
struct importer_settings {
    std::string tag_list_path;  // "aoltags.txt"; empty: no report
    std::string report_path;    // "aolincompatible.txt"
    mime_table types;
    clickto_page_texts clickto_texts;
    page_style text_style;      // a text file's page
};

// The outcome of an import; the reason names the file when it failed. Problems are
// references that were kept as written because their file could not be copied.
struct [[nodiscard]] import_result {
    bool ok = false;
    std::string reason;
    std::vector<std::string> problems;
    std::string body;  // the imported body (import_page)
};

class quorbis_html_importer {
public:
    // The four record maps in the order pictures, click-tos, pull files, Flash files; every
    // new object number is drawn from `counters`; `dtd` empty: no tag is dropped as unknown.
    quorbis_html_importer(importer_host& host, shell::picture_map& pictures, shell::clickto_map& clicktos,
        shell::pullfile_map& pullfiles, shell::flash_map& flashfiles, std::string message_folder,
        core::object_name_counters& counters, const core::CDTDStrict& dtd, const form_settings& forms,
        importer_settings settings);
    virtual ~quorbis_html_importer();
    quorbis_html_importer(const quorbis_html_importer&) = delete;
    quorbis_html_importer& operator=(const quorbis_html_importer&) = delete;

    // Forms are kept (true) or handed to the service (false) without asking.
    void set_mode_flag(bool keep_forms);

    // Imports the page (or ".txt" file) as a new message: the counters start over. The body
    // goes to the target by a temporary file renamed over it; on failure the target is not
    // touched.
    virtual import_result import(const std::string& source, const std::string& target);
    // The same with the body in the result.
    import_result import_page(const std::string& source);

    // Rewrites a page or fragment text (UTF-8). `warn`: a page not made by this program is
    // announced once.
    std::string scan_tags(std::string_view text, bool warn);

    // Asks for a missing file; the replacement path or name, empty for none.
    virtual std::string find_missing_resource(const std::string& name, bool& hosted_outside, bool& name_unedited);

    int form_mode() const { return form_mode_; }
    bool wrap_forms() const { return wrap_ != 0; }

private:
    struct anchor_frame;
    enum class resolution { empty, as_written, hosted, local, unresolved };
    struct resolved {
        resolution how = resolution::unresolved;
        std::string value;  // the path found, or the name the user typed
    };

    std::string& out();
    void append_text(std::string_view run);
    void report(const core::CHTMLTag& tag);
    void handle_comment(std::string_view comment);
    void handle_tag(core::CHTMLTag& tag, std::string_view text, std::size_t tag_start, std::size_t& position);
    bool drop_by_rule(const core::CHTMLTag& tag);
    void copy_raw_element(std::string_view text, std::size_t tag_start, std::size_t& position, std::string_view end_name);
    void open_anchor(core::CHTMLTag& tag);
    void close_anchor();
    void picture_pass(core::CHTMLTag& tag);
    void companion_picture(core::CHTMLTag& tag, anchor_frame& frame);
    void background_pass(core::CHTMLTag& tag);
    void bgsound_pass(core::CHTMLTag& tag);
    void object_start(core::CHTMLTag& tag);
    void param_rule(core::CHTMLTag& tag);
    void meta_rule(core::CHTMLTag& tag);

    resolved resolve(const std::string& written, int kind);
    // Steps 1 to 7 of a resource: the attribute's file copied in and recorded. The picture
    // record for a companion picture, which the caller keeps.
    std::optional<shell::picture_record> import_resource(core::CHTMLTag& tag, std::string_view attribute, int kind,
        std::optional<std::int32_t> number, bool companion, const shell::picture_record* companion_picture = nullptr);
    std::int32_t next_number(int kind);
    void set_id(core::CHTMLTag& tag, int kind, std::int32_t number);
    std::optional<std::string> copy_into_folder(shell::object_record& record, const std::string& reference);

    importer_host& host_;
    shell::picture_map& pictures_;
    shell::clickto_map& clicktos_;
    shell::pullfile_map& pullfiles_;
    shell::flash_map& flashfiles_;
    std::string message_folder_;
    core::object_name_counters& counters_;
    const core::CDTDStrict& dtd_;
    const form_settings& forms_;
    importer_settings settings_;

    int wrap_ = 0;
    std::string source_path_;
    std::string page_folder_;
    std::string page_name_;
    CDictionary tag_dictionary_;
    std::ofstream report_;
    int form_mode_ = -1;
    bool ask_ = true;
    bool yes_to_all_ = false;
    bool in_html_ = false;
    bool own_output_ = false;
    bool warned_ = false;
    std::vector<std::string> problems_;

    // The scan's output: finished pieces, then the one being written. An anchor's start tag
    // has a piece of its own, filled when the anchor ends, so nothing is copied twice.
    std::vector<std::string> pieces_;
    std::string output_;
    std::vector<anchor_frame> anchors_;
    // The Flash object being read: its number and the movie value its first SRC or MOVIE got.
    std::optional<std::int32_t> flash_number_;
    std::optional<std::string> flash_movie_;
    bool in_object_ = false;
};

// Page bytes as the importer reads them: UTF-8 from the byte-order mark, a META charset,
// valid UTF-8, else Windows-1252; NUL and unreadable bytes become U+FFFD; "%20" a blank.
std::string decode_import_bytes(std::string_view bytes);

}

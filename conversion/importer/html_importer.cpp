#include "conversion/importer/html_importer.h"

#include "conversion/form_wrapper/inner_html_cback.h"
#include "conversion/objects/object_files.h"
#include "conversion/vocabulary/object_markup.h"
#include "conversion/vocabulary/vocabulary_texts.h"
#include "core/files/file_path.h"
#include "core/log/trace_log.h"
#include "core/markup/ascii.h"
#include "core/markup/escape.h"
#include "core/markup/page_charset.h"
#include "core/url/file_url.h"
#include "core/url/url_text.h"
#include "core/vocab/markup_snippets.h"
#include "core/vocab/object_kinds.h"
#include "core/vocab/pull_placeholders.h"
#include "platform/files/atomic_write.h"
#include "platform/files/regular_file.h"

#include <algorithm>
#include <sys/stat.h>

namespace conversion {

namespace {

// Pages larger than this are not imported: no message body is that large.
constexpr std::size_t max_page_bytes = std::size_t(256) << 20;

bool named(const core::CHTMLTag& tag, std::string_view name)
{
    return core::equal_ignoring_case(tag.GetName(), name);
}

std::string attribute(const core::CHTMLTag& tag, std::string_view name)
{
    std::string value;
    tag.GetAttributes().GetValue(name, value);
    return value;
}

std::string without_line_breaks(std::string text)
{
    std::erase_if(text, [](char c) { return c == '\r' || c == '\n'; });
    return text;
}

bool is_regular_file(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// A name or value holding "<" or ">" is written with entities (which mean the same in a
// value), so no text inside a tag (an object marker among it) reads as markup when the body
// is scanned again.
void escape_angle_brackets(core::CHTMLTag& tag)
{
    auto& attributes = tag.GetAttributes();
    const auto& items = attributes.items();
    const auto holds_brackets = [](const core::CAttribute& a) {
        return a.name.find_first_of("<>") != std::string::npos || a.value.find_first_of("<>") != std::string::npos;
    };
    if (std::none_of(items.begin(), items.end(), holds_brackets))
        return;
    const auto escaped = [](const std::string& text) {
        std::string out;
        for (char c : text)
            out += c == '<' ? "&lt;" : c == '>' ? "&gt;" : std::string(1, c);
        return out;
    };
    std::vector<core::CAttribute> kept(items);
    attributes.RemoveAll();
    for (auto& attribute : kept) {
        attribute.name = escaped(attribute.name);
        attribute.value = escaped(attribute.value);
        attributes.Add(std::move(attribute));
    }
}

// A tag as written to the message: markup inside a name or value, as read or as the import
// set it (a reference the user typed), goes as entities, so it cannot forge object markers.
std::string markup_of(core::CHTMLTag& tag)
{
    escape_angle_brackets(tag);
    return tag.GetText();
}

// The comment's text between "<!--" and "-->".
std::string_view comment_body(std::string_view comment)
{
    comment.remove_prefix(std::min<std::size_t>(4, comment.size()));
    if (comment.size() >= 3 && comment.substr(comment.size() - 3) == "-->")
        comment.remove_suffix(3);
    return comment;
}

// Ends the host's wait cursor on every way out.
class wait_cursor {
public:
    explicit wait_cursor(importer_host& host) : host_(host) { host_.begin_wait(); }
    ~wait_cursor() { host_.end_wait(); }
    wait_cursor(const wait_cursor&) = delete;
    wait_cursor& operator=(const wait_cursor&) = delete;

private:
    importer_host& host_;
};

// The object markers around a managed object's markup, as the generator writes them.
const std::pair<std::string, std::string>& object_markers()
{
    static const std::pair<std::string, std::string> markers = [] {
        const std::string wrapped = wrap_object_markup("\x01");
        const auto middle = wrapped.find('\x01');
        return std::pair(wrapped.substr(0, middle), wrapped.substr(middle + 1));
    }();
    return markers;
}

}

struct quorbis_html_importer::anchor_frame {
    core::CHTMLTag tag;
    int kind = core::hyperlink;
    std::int32_t number = 0;
    std::string bookmark;       // the visible bookmark that stands in for its NAME
    std::size_t slot = 0;       // the piece its start tag goes to once its link is known
    bool picture_taken = false;
    std::optional<shell::picture_record> companion;
};

std::string decode_import_bytes(std::string_view bytes)
{
    std::string text = core::decode_page_bytes(bytes);
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\0')
            out += "\xEF\xBF\xBD";
        else if (text.compare(i, 3, "%20") == 0) {
            out += ' ';
            i += 2;
        } else
            out += text[i];
    }
    return out;
}

quorbis_html_importer::quorbis_html_importer(importer_host& host, shell::picture_map& pictures,
    shell::clickto_map& clicktos, shell::pullfile_map& pullfiles, shell::flash_map& flashfiles,
    std::string message_folder, core::object_name_counters& counters, const core::CDTDStrict& dtd,
    const form_settings& forms, importer_settings settings)
    : host_(host)
    , pictures_(pictures)
    , clicktos_(clicktos)
    , pullfiles_(pullfiles)
    , flashfiles_(flashfiles)
    , message_folder_(std::move(message_folder))
    , counters_(counters)
    , dtd_(dtd)
    , forms_(forms)
    , settings_(std::move(settings))
{
}

quorbis_html_importer::~quorbis_html_importer() = default;

void quorbis_html_importer::set_mode_flag(bool keep_forms)
{
    form_mode_ = keep_forms ? 1 : 0;
    wrap_ = form_mode_ == 0 ? 1 : 0;
}

import_result quorbis_html_importer::import(const std::string& source, const std::string& target)
{
    import_result result = import_page(source);
    if (!result.ok)
        return result;
    if (auto error = platform::files::atomic_write(target, result.body, 0600)) {
        TRACE_LOG("quorbis_html_importer::import() -- %s: %s\n", target.c_str(), error.message().c_str());
        result.ok = false;
        result.reason = "The imported page could not be written to " + target + ": " + error.message() + ".";
        result.body.clear();
    }
    return result;
}

import_result quorbis_html_importer::import_page(const std::string& source)
{
    import_result result;
    ask_ = true;
    yes_to_all_ = false;
    source_path_ = source;
    core::file_path source_file(source);
    page_folder_ = source_file.parent_folder();
    page_name_ = source_file.file_name();
    problems_.clear();

    auto file = platform::files::read_regular_file(source, max_page_bytes);
    if (file.result != platform::files::regular_file::outcome::read) {
        const std::string why = file.result == platform::files::regular_file::outcome::missing ? "does not exist"
                                                                                                : file.problem;
        TRACE_LOG("quorbis_html_importer::import() -- %s %s\n", source.c_str(), why.c_str());
        result.reason = "The page " + source + " cannot be imported: it " + why + ".";
        return result;
    }
    std::string text = decode_import_bytes(file.bytes);
    if (core::equal_ignoring_case(source_file.extension(), "txt"))
        text = text_to_html(text, settings_.text_style);

    wait_cursor cursor(host_);
    if (report_.is_open())
        report_.close();
    if (!settings_.tag_list_path.empty() && tag_dictionary_.Load(settings_.tag_list_path))
        report_.open(settings_.report_path, std::ios::binary | std::ios::trunc);
    // A page import starts a new message, whose numbers start over.
    counters_.reset();
    const std::string scanned = scan_tags(text, true);
    if (report_.is_open())
        report_.close();

    form_wrapper_flags flags;
    flags.hidden_mode = is_form_registration_mode(forms_);
    flags.wrap = wrap_ != 0;
    result.body = copy_page_through_form_wrapper(scanned, flags, forms_);
    TRACE_LOG("quorbis_html_importer::import() -- %s: body of %zu bytes written\n", source.c_str(), result.body.size());
    result.ok = true;
    result.problems = problems_;
    return result;
}

std::string& quorbis_html_importer::out()
{
    return output_;
}

void quorbis_html_importer::append_text(std::string_view run)
{
    if (dtd_.IsEmpty() || run.find('&') == std::string_view::npos) {
        out() += run;
        return;
    }
    std::string text(run);
    dtd_.ReplaceUnknownEntities(text);
    out() += text;
}

std::string quorbis_html_importer::scan_tags(std::string_view text, bool warn)
{
    output_.clear();
    output_.reserve(text.size() + text.size() / 8);
    anchors_.clear();
    pieces_.clear();
    in_html_ = false;
    own_output_ = false;
    warned_ = !warn;
    in_object_ = false;
    flash_number_.reset();
    flash_movie_.reset();

    std::size_t position = 0;
    while (position < text.size()) {
        if (text[position] != '<') {
            const auto next = std::min(text.find('<', position), text.size());
            append_text(text.substr(position, next - position));
            position = next;
            continue;
        }
        const char after = position + 1 < text.size() ? text[position + 1] : '\0';
        if (!core::is_ascii_letter(after) && after != '/' && after != '!' && after != '?') {
            // "a < b", "x<3": a "<" that opens no tag is text.
            out() += "&lt;";
            ++position;
            continue;
        }
        if (text.compare(position, 4, "<!--") == 0) {
            const auto close = text.find("-->", position + 4);
            const auto end = close == std::string_view::npos ? text.size() : close + 3;
            handle_comment(text.substr(position, end - position));
            position = end;
            continue;
        }
        // "<b<i>": a name running into another "<" opens no tag; it is text, and that "<" is
        // read afresh (markup inside the run cannot pass as part of a tag's name).
        if (const auto name_end = text.find_first_of(" \t\r\n\f<>", position + 1);
            name_end != std::string_view::npos && text[name_end] == '<') {
            out() += core::escape_text(text.substr(position, name_end - position), core::escape_mode::exact);
            position = name_end;
            continue;
        }
        core::CHTMLTag tag;
        const auto tag_start = position;
        const auto next = tag.Parse(text, position);
        position = next > position ? next : position + 1;
        if (tag.GetName().empty()) {
            out() += core::escape_text(text.substr(tag_start, position - tag_start), core::escape_mode::exact);
            continue;
        }
        if (tag.GetName() == "!--") {
            // "<! --x-->" is read as the comment it is written back as, under the comments' rules:
            // it cannot pass an object marker through as a tag.
            handle_comment(tag.GetText());
            continue;
        }
        std::size_t resume = position;
        handle_tag(tag, text, tag_start, resume);
        position = std::max(resume, position);
    }
    while (!anchors_.empty())
        close_anchor();
    in_object_ = false;
    flash_number_.reset();

    if (pieces_.empty())
        return std::move(output_);
    pieces_.push_back(std::move(output_));
    std::size_t size = 0;
    for (const auto& piece : pieces_)
        size += piece.size();
    std::string joined;
    joined.reserve(size);
    for (const auto& piece : pieces_)
        joined += piece;
    pieces_.clear();
    output_.clear();
    return joined;
}

void quorbis_html_importer::report(const core::CHTMLTag& tag)
{
    if (report_.is_open() && !tag_dictionary_.Find(tag))
        report_ << tag.GetText() << "\r\n";
}

void quorbis_html_importer::handle_comment(std::string_view comment)
{
    core::CHTMLTag tag;
    tag.SetName("!--");
    report(tag);
    const std::string_view body = comment_body(comment);
    if (body.find(object_start_word) != std::string_view::npos || body.find(object_end_word) != std::string_view::npos)
        return;
    const auto first = body.find_first_not_of(" \t\r\n");
    if (first != std::string_view::npos && core::starts_with_ignoring_case(body.substr(first), "[if"))
        return;
    if (!in_html_)
        return;
    out() += comment;
}

bool quorbis_html_importer::drop_by_rule(const core::CHTMLTag& tag)
{
    if (named(tag, "FORM") || named(tag, "/FORM")) {
        if (form_mode_ == -1 && named(tag, "FORM")) {
            const int answer = host_.ask_form_action();
            form_mode_ = answer == IDC_FORM_IGNORE ? 1 : 0;
            wrap_ = form_mode_ == 0 ? 1 : 0;
        }
        return form_mode_ == 0;
    }
    return named(tag, "IFRAME") || named(tag, "/IFRAME") || named(tag, "!DOCTYPE");
}

void quorbis_html_importer::copy_raw_element(std::string_view text, std::size_t tag_start, std::size_t& position,
    std::string_view end_name)
{
    const auto end = core::find_ignoring_case(text, end_name, position);
    std::size_t stop = text.size();
    if (end != std::string_view::npos) {
        const auto close = text.find('>', end);
        stop = close == std::string_view::npos ? text.size() : close + 1;
    }
    // The raw text goes as written, but a comment naming an object marker becomes an empty
    // comment: the markers in the message pair up around the objects the import wrote, and a
    // forged one would not. (Dropping it instead could join the text around it into a marker.)
    const std::string_view raw = text.substr(tag_start, stop - tag_start);
    std::size_t copied = 0;
    for (auto open = raw.find("<!--"); open != std::string_view::npos;) {
        const auto close = raw.find("-->", open + 4);
        if (close == std::string_view::npos)
            break; // no marker can follow without a "-->"
        const auto body = raw.substr(open + 4, close - open - 4);
        if (body.find(object_start_word) != std::string_view::npos || body.find(object_end_word) != std::string_view::npos) {
            out() += raw.substr(copied, open - copied);
            out() += "<!-- -->";
            copied = close + 3;
        }
        open = raw.find("<!--", close + 3);
    }
    out() += raw.substr(copied);
    position = stop;
}

void quorbis_html_importer::handle_tag(core::CHTMLTag& tag, std::string_view text, std::size_t tag_start,
    std::size_t& position)
{
    report(tag);
    const std::string& name = tag.GetName();
    const bool kept_anyway = named(tag, "marquee") || named(tag, "/marquee") || named(tag, "bgsound");
    if (!dtd_.IsEmpty() && !kept_anyway && !dtd_.IsKnownElement(name)) {
        TRACE_LOG("quorbis_html_importer::scan_tags() -- unknown tag %s dropped\n", name.c_str());
        return;
    }
    if (named(tag, "BODY") && !own_output_ && !warned_) {
        warned_ = true;
        host_.warn_foreign_page();
    }
    if (named(tag, "A")) {
        open_anchor(tag);
        return;
    }
    if (named(tag, "/A")) {
        if (!anchors_.empty())
            close_anchor();
        return;
    }
    if (named(tag, "IMG")) {
        if (!anchors_.empty() && !anchors_.back().picture_taken)
            companion_picture(tag, anchors_.back());
        else
            picture_pass(tag);
        return;
    }
    if (named(tag, "OBJECT")) {
        object_start(tag);
        return;
    }
    if (named(tag, "/OBJECT")) {
        in_object_ = false;
        flash_number_.reset();
        flash_movie_.reset();
        out() += markup_of(tag);
        return;
    }
    if (named(tag, "PARAM") && flash_number_) {
        param_rule(tag);
        return;
    }
    if (tag.GetAttributes().HasValue("BACKGROUND")) {
        background_pass(tag);
        return;
    }
    if (named(tag, "bgsound")) {
        bgsound_pass(tag);
        return;
    }
    if (drop_by_rule(tag))
        return;
    if (named(tag, "SCRIPT") || named(tag, "STYLE")) {
        copy_raw_element(text, tag_start, position, named(tag, "SCRIPT") ? "</script" : "</style");
        return;
    }
    if (named(tag, "HTML")) {
        in_html_ = true;
        return;
    }
    if (named(tag, "/HTML")) {
        in_html_ = false;
        return;
    }
    if (named(tag, "META"))
        meta_rule(tag);
    out() += markup_of(tag);
}

void quorbis_html_importer::meta_rule(core::CHTMLTag& tag)
{
    auto& attributes = tag.GetAttributes();
    if (core::equal_ignoring_case(attribute(tag, "NAME"), generator_meta_name)
        && core::starts_with_ignoring_case(attribute(tag, "CONTENT"), product_words))
        own_output_ = true;
    // The body is UTF-8 now, whatever the page was written in.
    if (attributes.Has("charset"))
        attributes.SetValue("charset", "utf-8");
    if (core::equal_ignoring_case(attribute(tag, "http-equiv"), "content-type")) {
        std::string content = attribute(tag, "content");
        const auto at = core::find_ignoring_case(content, "charset=");
        if (at != std::string::npos) {
            const auto end = content.find_first_of("; \t\"'", at + 8);
            content.replace(at + 8, end == std::string::npos ? std::string::npos : end - at - 8, "utf-8");
            attributes.SetValue("content", content);
        }
    }
}

std::int32_t quorbis_html_importer::next_number(int kind)
{
    return counters_.next(kind);
}

void quorbis_html_importer::set_id(core::CHTMLTag& tag, int kind, std::int32_t number)
{
    tag.GetAttributes().SetValue(quorbis_id_attribute, core::make_object_name(counters_, kind, number));
}

void quorbis_html_importer::open_anchor(core::CHTMLTag& tag)
{
    anchor_frame frame;
    const std::string bookmark = attribute(tag, "name");
    if (!bookmark.empty()) {
        tag.GetAttributes().Remove("name");
        frame.bookmark = core::MakeBookmarkAnchor(bookmark);
    }
    frame.kind = classify_link(attribute(tag, "href"), page_name_, settings_.types);
    frame.number = next_number(frame.kind);
    set_id(tag, frame.kind, frame.number);
    frame.tag = std::move(tag);
    // The start tag waits in its own piece until the link's target is imported at its end.
    pieces_.push_back(std::move(output_));
    output_.clear();
    frame.slot = pieces_.size();
    pieces_.emplace_back();
    anchors_.push_back(std::move(frame));
}

void quorbis_html_importer::close_anchor()
{
    anchor_frame frame = std::move(anchors_.back());
    anchors_.pop_back();
    const shell::picture_record* companion = frame.companion ? &*frame.companion : nullptr;
    if (frame.kind == core::pullfile || frame.kind == core::clickto)
        import_resource(frame.tag, "href", frame.kind, frame.number, false, companion);
    frame.tag.GetAttributes().SetValue(text_body_alt_attribute, companion ? companion->alternate_text : "");
    const auto& [start_marker, end_marker] = object_markers();
    pieces_[frame.slot] = frame.bookmark + start_marker + markup_of(frame.tag);
    out() += "</A>";
    out() += end_marker;
}

void quorbis_html_importer::companion_picture(core::CHTMLTag& tag, anchor_frame& frame)
{
    frame.picture_taken = true;
    set_id(tag, frame.kind, frame.number);
    auto record = import_resource(tag, "src", core::picture, frame.number, true);
    tag.GetAttributes().SetValue(text_body_alt_attribute, record && !record->source.empty() ? record->alternate_text : "");
    if (record && !record->source.empty()) {
        if (frame.kind == core::pullfile || frame.kind == core::clickto)
            frame.companion = *record;
        else
            pictures_[frame.number] = *record;  // under the link's number, which is a picture number
    }
    out() += markup_of(tag);
}

void quorbis_html_importer::picture_pass(core::CHTMLTag& tag)
{
    auto record = import_resource(tag, "src", core::picture, std::nullopt, false);
    tag.GetAttributes().SetValue(text_body_alt_attribute, record && !record->source.empty() ? record->alternate_text : "");
    out() += wrap_object_markup(markup_of(tag));
}

void quorbis_html_importer::background_pass(core::CHTMLTag& tag)
{
    (void)import_resource(tag, "background", core::picture, std::nullopt, false);
    out() += markup_of(tag);
}

void quorbis_html_importer::bgsound_pass(core::CHTMLTag& tag)
{
    (void)import_resource(tag, "src", core::pullfile, std::nullopt, false);
    const std::string sound = attribute(tag, "src");
    if (!sound.empty()) {
        tag.GetAttributes().SetValue("quorbis_src_bgsound", sound);
        tag.GetAttributes().Remove("src");
    }
    out() += markup_of(tag);
}

void quorbis_html_importer::object_start(core::CHTMLTag& tag)
{
    in_object_ = true;
    flash_movie_.reset();
    flash_number_.reset();
    if (core::equal_ignoring_case(core::trim_view(attribute(tag, "classid")), core::GetFlashClassId())) {
        flash_number_ = next_number(core::flashfile);
        set_id(tag, core::flashfile, *flash_number_);
    }
    out() += markup_of(tag);
}

void quorbis_html_importer::param_rule(core::CHTMLTag& tag)
{
    const std::string name = std::string(core::trim_view(attribute(tag, "name")));
    if (!core::equal_ignoring_case(name, "SRC") && !core::equal_ignoring_case(name, "MOVIE")) {
        out() += markup_of(tag);
        return;
    }
    if (flash_movie_) {
        tag.GetAttributes().SetValue("value", *flash_movie_);
        out() += markup_of(tag);
        return;
    }
    const std::string written = attribute(tag, "value");
    const resolved found = resolve(written, core::flashfile);
    switch (found.how) {
    case resolution::empty:
        break;
    case resolution::as_written:
    case resolution::unresolved:
        flash_movie_ = written;
        break;
    case resolution::hosted: {
        flashfiles_[*flash_number_] = shell::construct_flash_record_from_source(found.value, 1);
        flash_movie_ = found.value;
        tag.GetAttributes().SetValue("value", found.value);
        break;
    }
    case resolution::local: {
        shell::flash_record record = shell::construct_flash_record_from_source(found.value, 0);
        if (auto copy = copy_into_folder(record, written)) {
            flashfiles_[*flash_number_] = record;
            flash_movie_ = *copy + "?download=yes&cpw=FP";
            tag.GetAttributes().SetValue("value", *flash_movie_);
        } else {
            flash_movie_ = written;
        }
        break;
    }
    }
    out() += markup_of(tag);
}

quorbis_html_importer::resolved quorbis_html_importer::resolve(const std::string& written, int kind)
{
    if (written.size() > max_reference_length)
        return {resolution::as_written, written};
    std::string value = core::DecodeUrlEscapes(written);
    if (core::starts_with_ignoring_case(value, "file:"))
        value = core::FileUrlToPath(value);
    value = std::string(core::trim_view(core::DecodeEntitiesAndEscapes(value)));
    if (value.empty())
        return {resolution::empty, {}};
    const link_parts parts = split_link(value);
    if (!parts.scheme.empty() && parts.scheme != "file" && parts.host.empty())
        return {resolution::as_written, written};
    if (yes_to_all_ || (kind != core::clickto && !parts.host.empty()))
        return {resolution::hosted, written};
    if (kind == core::clickto && !parts.host.empty())
        return {resolution::hosted, value};  // a web page: its click-to page is made below
    std::string path = find_resource_file(value, page_folder_);
    if (path.empty()) {
        TRACE_LOG("quorbis_html_importer::import() -- %s not found beside the page\n", value.c_str());
        const bool placeholder = core::find_ignoring_case(value, core::pull_placeholder_prefix) != std::string::npos;
        if (ask_ && !(kind == core::clickto && !placeholder)) {
            bool hosted = false;
            bool unedited = false;
            std::string answer = find_missing_resource(value, hosted, unedited);
            if (hosted && !answer.empty())
                return {resolution::hosted, yes_to_all_ && unedited ? written : answer};
            if (!answer.empty() && is_regular_file(answer))
                path = answer;
        }
    }
    if (path.empty())
        return {resolution::unresolved, {}};
    path = without_line_breaks(std::move(path));
    if (path.rfind(page_folder_ + "/", 0) != 0)
        TRACE_LOG("quorbis_html_importer::import() -- %s lies outside the page's folder\n", path.c_str());
    return {resolution::local, path};
}

std::optional<std::string> quorbis_html_importer::copy_into_folder(shell::object_record& record,
    const std::string& reference)
{
    try {
        std::string copy = copy_object_file(record, message_folder_);
        TRACE_LOG("quorbis_html_importer::import() -- imported %s as %s\n", reference.c_str(), copy.c_str());
        return copy;
    } catch (const std::exception& e) {
        TRACE_LOG("quorbis_html_importer::import() -- %s kept as written: %s\n", reference.c_str(), e.what());
        problems_.push_back(reference + ": " + e.what());
        return std::nullopt;
    }
}

std::optional<shell::picture_record> quorbis_html_importer::import_resource(core::CHTMLTag& tag,
    std::string_view attribute_name, int kind, std::optional<std::int32_t> number, bool companion,
    const shell::picture_record* companion_picture)
{
    if (!number) {
        number = next_number(kind);
        set_id(tag, kind, *number);
        tag.GetAttributes().Remove("STYLE");
    }
    const std::string written = attribute(tag, attribute_name);
    const resolved found = resolve(written, kind);
    if (found.how == resolution::empty) {
        tag.GetAttributes().Remove(attribute_name);
        return std::nullopt;
    }
    if (found.how == resolution::as_written || found.how == resolution::unresolved)
        return std::nullopt;
    const bool hosted = found.how == resolution::hosted;
    const std::int32_t pulled = hosted ? 1 : 0;

    if (kind == core::picture) {
        shell::picture_record record = shell::construct_picture_record_from_source(found.value,
            without_line_breaks(attribute(tag, "ALT")), pulled);
        if (!hosted) {
            auto copy = copy_into_folder(record, written);
            if (!copy)
                return std::nullopt;
            tag.GetAttributes().SetValue(attribute_name, *copy);
        } else {
            tag.GetAttributes().SetValue(attribute_name, found.value);
        }
        if (!companion)
            pictures_[*number] = record;
        return record;
    }
    if (kind == core::pullfile) {
        shell::pullfile_record record = shell::construct_pullfile_record_from_link(found.value, pulled);
        if (companion_picture)
            record.picture = *companion_picture;
        if (!hosted) {
            if (!copy_into_folder(record.file, written))
                return std::nullopt;
        }
        tag.GetAttributes().SetValue(attribute_name, record.file.source);
        pullfiles_[*number] = record;
        return std::nullopt;
    }
    if (kind == core::clickto) {
        shell::clickto_record record;
        const bool web = hosted && !yes_to_all_;
        if (web) {
            // A web page: its click-to page is written, copied in and the written one removed.
            std::string page;
            try {
                page = write_clickto_page(found.value, *number, settings_.clickto_texts);
            } catch (const std::exception& e) {
                TRACE_LOG("quorbis_html_importer::import() -- %s kept as written: %s\n", written.c_str(), e.what());
                problems_.push_back(written + ": " + e.what());
                return std::nullopt;
            }
            core::file_path temporary(page, true);
            record.file = shell::construct_object_record_from_source(page, 0);
            record.target = found.value;
            if (!copy_into_folder(record.file, written))
                return std::nullopt;
        } else {
            record.file = shell::construct_object_record_from_source(found.value, pulled);
            record.target = found.value;
            if (!hosted && !copy_into_folder(record.file, written))
                return std::nullopt;
        }
        if (companion_picture)
            record.picture = *companion_picture;
        tag.GetAttributes().SetValue(attribute_name, record.file.source);
        clicktos_[*number] = record;
    }
    return std::nullopt;
}

std::string quorbis_html_importer::find_missing_resource(const std::string& name, bool& hosted_outside,
    bool& name_unedited)
{
    const importer_host::missing_answer answer = host_.ask_missing_resource(name);
    hosted_outside = answer.hosted_outside;
    name_unedited = !answer.edited;
    switch (answer.button) {
    case import_answer_ok:
        if (answer.hosted_outside)
            return answer.name;
        return host_.choose_resource_file(name).value_or(std::string());
    case import_answer_cancel:
        ask_ = false;
        return {};
    case IDC_YES_TO_ALL:
        yes_to_all_ = true;
        return answer.name;
    default:
        return {};
    }
}

}

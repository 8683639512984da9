#include "shell/documents/body_scanner.h"

#include "core/files/file_path.h"
#include "core/files/file_text.h"
#include "core/log/trace_log.h"
#include "core/markup/ascii.h"
#include "core/markup/escape.h"
#include "core/util/folders.h"
#include "core/vocab/markup_snippets.h"
#include "core/vocab/pull_placeholders.h"
#include "shell/objects/object_file_name.h"

#include <algorithm>
#include <array>

namespace shell {

namespace {

using core::equal_ignoring_case;
using core::find_ignoring_case;
using core::is_ascii_digit;
using core::is_ascii_hex_digit;
using core::is_ascii_letter;

// The kind names of the trace, "Unkonwn" as the program has always written it.
const char* kind_label(int kind)
{
    static constexpr std::array<const char*, 7> labels {
        "Picture", "Flashfile", "Pullfile", "Clickto", "Hyperlink", "Mailto", "Forward-to-a-friend"};
    return kind >= 0 && kind < static_cast<int>(labels.size()) ? labels[static_cast<std::size_t>(kind)] : "Unkonwn";
}

// A click-to block the editor keeps as a DIV goes back to the markup stored for it in the
// marker "<marker>{...}": every DIV from "<DIV id=<div>" (or "<div id=<div>") to the next
// "</DIV>" (or "</div>") becomes the text between the braces. Any missing piece leaves the body as it
// is, and so does stored markup that holds such a DIV itself, which could never settle.
void restore_clickto_block(std::string& body, std::string_view marker, std::string_view div)
{
    const auto open_brace = body.find(std::string(marker) + "{");
    if (open_brace == std::string::npos)
        return;
    const auto stored_start = open_brace + marker.size() + 1;
    const auto close_brace = body.find('}', stored_start);
    if (close_brace == std::string::npos)
        return;
    const std::string stored = body.substr(stored_start, close_brace - stored_start);
    const std::string upper = "<DIV id=" + std::string(div);
    const std::string lower = "<div id=" + std::string(div);
    if (stored.find(upper) != std::string::npos || stored.find(lower) != std::string::npos)
        return;
    for (std::size_t from = 0;;) {
        const auto block = std::min(body.find(upper, from), body.find(lower, from));
        if (block == std::string::npos)
            return;
        const auto end = std::min(body.find("</DIV>", block), body.find("</div>", block));
        if (end == std::string::npos)
            return;
        body.replace(block, end + 6 - block, stored);
        from = block + stored.size();
    }
}

// The end of the first "<end_name ...>" at or after `from` (ignoring case): the position
// after its ">", or the end of the text when it is missing or left open.
std::size_t after_end_tag(std::string_view text, std::size_t from, std::string_view end_name)
{
    const auto end_tag = find_ignoring_case(text, end_name, from);
    if (end_tag == std::string_view::npos)
        return text.size();
    const auto close = text.find('>', end_tag);
    return close == std::string_view::npos ? text.size() : close + 1;
}

// How many bytes at the front of `text` carry on the reference `open` begins ("&", "&#",
// "&#x", or a name or digits so far): never its ";".
std::size_t reference_continues(std::string_view open, std::string_view text)
{
    std::size_t i = 0;
    const auto take = [&](bool (*allowed)(char)) {
        while (i < text.size() && allowed(text[i]))
            ++i;
        return i;
    };
    const auto name_char = [](char c) { return is_ascii_letter(c) || is_ascii_digit(c); };
    if (open.size() == 1) {
        if (text.empty() || (text[0] != '#' && !is_ascii_letter(text[0])))
            return 0;
        if (text[0] != '#')
            return take(name_char);
        open = "&#";
        i = 1;
    }
    if (open[1] != '#')
        return take(name_char);
    if (open.size() > 2)
        return take(open[2] == 'x' || open[2] == 'X' ? is_ascii_hex_digit : is_ascii_digit);
    if (i < text.size() && (text[i] == 'x' || text[i] == 'X')) {
        ++i;
        return take(is_ascii_hex_digit);
    }
    return take(is_ascii_digit);
}

// Where `text` ends in a character reference still without its ";" ("&amp", "&#3", "&"), or npos.
std::size_t unfinished_reference(std::string_view text)
{
    const auto amp = text.rfind('&');
    if (amp == std::string_view::npos || reference_continues("&", text.substr(amp + 1)) != text.size() - amp - 1)
        return std::string_view::npos;
    return amp;
}

bool has_attribute_value(const core::CHTMLTag& tag, std::string_view name, std::string& value)
{
    return tag.GetAttributes().GetValue(name, value);
}

// One walk over one body.
class body_walk {
public:
    body_walk(const BodyScanner::context& context, int kind, std::string_view body, picture_map& pictures,
        flash_map& flashfiles, pullfile_map& pullfiles, clickto_map& clicktos, unsigned flags)
        : context_(context), kind_(kind), body_(body), pictures_(pictures), flashfiles_(flashfiles),
          pullfiles_(pullfiles), clicktos_(clicktos), flags_(flags),
          declarations_(flags & scan_normalise && !context.dtd.IsEmpty())
    {
    }

    std::string run()
    {
        result_.reserve(body_.size() + body_.size() / 16);
        std::size_t position = 0;
        while (position < body_.size()) {
            const auto text_end = std::min(body_.find('<', position), body_.size());
            if (text_end > position)
                copy_text(body_.substr(position, text_end - position));
            if (text_end >= body_.size())
                break;
            position = element(text_end);
        }
        return std::move(result_);
    }

private:
    bool flag(unsigned bit) const { return (flags_ & bit) != 0; }
    bool named(std::string_view name) const { return equal_ignoring_case(tag_.GetName(), name); }

    void copy_text(std::string_view text)
    {
        if (bookmark_ && !flag(scan_keep_sources))
            return;
        if (!declarations_ || in_xmp_) {
            result_ += text;
            return;
        }
        // A tag dropped since the text before wrote nothing: a reference begun there and
        // ended here is judged whole, as the next scan will see it.
        if (unfinished_reference_end_ == result_.size()) {
            unfinished_reference_end_ = std::string::npos;
            const std::string_view open(result_.data() + unfinished_reference_, result_.size() - unfinished_reference_);
            const auto taken = reference_continues(open, text);
            if (taken == text.size()) {
                result_ += text;
                unfinished_reference_end_ = result_.size();
                return;
            }
            if (text[taken] == ';') {
                std::string reference(open);
                reference += text.substr(0, taken + 1);
                if (core::reference_length(reference, 0) == reference.size() && !context_.dtd.IsKnownEntity(reference)) {
                    result_.resize(unfinished_reference_);
                    result_ += ' ';
                } else {
                    result_ += text.substr(0, taken + 1);
                }
                text.remove_prefix(taken + 1);
            }
        }
        if (text.find('&') == std::string_view::npos) {
            result_ += text;
            return;
        }
        std::string fixed(text);
        context_.dtd.ReplaceUnknownEntities(fixed);
        result_ += fixed;
        if (const auto unfinished = unfinished_reference(fixed); unfinished != std::string::npos) {
            unfinished_reference_ = result_.size() - fixed.size() + unfinished;
            unfinished_reference_end_ = result_.size();
        }
    }

    // Reads the element at `start` and writes it; the answer is where the walk goes on.
    std::size_t element(std::size_t start)
    {
        const auto end = tag_.Parse(body_, start);
        const auto written = body_.substr(start, end - start);
        changed_ = false;
        if (in_xmp_ && !named("/XMP")) {
            result_ += written;
            return end;
        }
        if (flag(scan_keep_xmp) && (named("XMP") || named("/XMP"))) {
            in_xmp_ = named("XMP");
            result_ += written;
            return end;
        }
        restore_stored_sources();
        if (named("/TD") || named("/TH"))
            fill_empty_cell();
        if (named("INPUT")) {
            std::string type;
            if (has_attribute_value(tag_, "TYPE", type) && equal_ignoring_case(type, "SUBMIT"))
                remove_attribute("STYLE");
        }
        if (declarations_ && !is_always_kept() && !context_.dtd.IsKnownElement(tag_.GetName()))
            return end;
        if (named("STYLE"))
            return copy_style(start, end);
        if (named("A") && !tag_.GetAttributes().Has("href"))
            bookmark_ = true;
        else if (named("/A"))
            bookmark_ = false;
        if (named("SCRIPT")) {
            const auto after = after_end_tag(body_, end, "</SCRIPT");
            result_ += body_.substr(start, after - start);
            return after;
        }
        if (flag(scan_drop_handlers)) {
            const auto count = tag_.GetAttributes().GetCount();
            tag_.RemoveEventHandlers();
            changed_ = changed_ || tag_.GetAttributes().GetCount() != count;
        }
        if (is_managed())
            record_object(start, end);
        if (flag(scan_normalise))
            rewrite_flash_parameters();
        if (flag(scan_redirector))
            name_redirector();
        write_tag(written);
        return end;
    }

    void set_attribute(std::string_view name, std::string_view value)
    {
        tag_.GetAttributes().SetValue(name, value);
        changed_ = true;
    }

    // Every attribute of the name: broken markup may repeat one.
    void remove_attribute(std::string_view name)
    {
        if (!tag_.GetAttributes().Has(name))
            return;
        tag_.GetAttributes().RemoveEvery(name);
        changed_ = true;
    }

    // A tag the scan left alone is copied as it was written; a changed one is written from
    // its name and attributes, less any attribute whose name could not be read back as one
    // (the debris of broken markup, such as a stray quote).
    void write_tag(std::string_view written)
    {
        if (changed_) {
            auto& attributes = tag_.GetAttributes();
            for (std::size_t i = attributes.GetCount(); i-- > 0;) {
                if (!is_writable_name(attributes.items()[i].name))
                    attributes.RemoveAt(i);
            }
            result_ += tag_.GetText();
        } else {
            result_ += written;
        }
        // Where an empty cell would begin: right behind a start tag without attributes.
        plain_start_end_ = tag_.GetAttributes().GetCount() == 0 ? result_.size() : std::string::npos;
        plain_start_name_ = tag_.GetName();
    }

    static bool is_writable_name(std::string_view name)
    {
        return !name.empty() && std::none_of(name.begin(), name.end(), [](char c) {
            return static_cast<unsigned char>(c) <= ' ' || c == '"' || c == '\'' || c == '<' || c == '>' || c == '='
                || c == '/';
        });
    }

    void restore_stored_sources()
    {
        if (flag(scan_keep_sources))
            return;
        auto& attributes = tag_.GetAttributes();
        std::string value;
        if (has_attribute_value(tag_, "quorbis_src_href", value) && !value.empty()) {
            remove_attribute("quorbis_src_href");
            if (named("A"))
                set_attribute("href", value);
            else if (named("IMG"))
                set_attribute("src", value);
        }
        if (named("bgsound") && has_attribute_value(tag_, "quorbis_src_bgsound", value)) {
            set_attribute("src", value);
            remove_attribute("quorbis_src_bgsound");
        }
        if (named("a") && has_attribute_value(tag_, "href", value) && value.starts_with('#')
            && attributes.GetCount() > 1) {
            attributes.RemoveAll();
            attributes.Add({"href", value});
            changed_ = true;
        }
    }

    // An end tag right behind its own start tag, which has no attributes, gets a blank.
    void fill_empty_cell()
    {
        if (plain_start_end_ == result_.size() && equal_ignoring_case(plain_start_name_, tag_.GetName().substr(1)))
            result_ += "&nbsp;";
    }

    bool is_always_kept() const
    {
        return named("marquee") || named("/marquee") || named("bgsound") || named("embed") || named("/embed");
    }

    // A STYLE element with its contents, which are never scanned; the editor's own style
    // block is dropped unless stored sources are kept.
    std::size_t copy_style(std::size_t start, std::size_t end)
    {
        const auto contents_end = std::min(find_ignoring_case(body_, "</STYLE", end), body_.size());
        const auto after = after_end_tag(body_, end, "</STYLE");
        std::string title;
        if (!flag(scan_keep_sources) && has_attribute_value(tag_, "TITLE", title)
            && equal_ignoring_case(title, "Quorbis_EDIT_style"))
            return after;
        // A tag the body cuts off before its ">" is closed here, as the end tag follows it; so is
        // a tag that runs to the body's end (a quoted value never closed), which would take in
        // the end tag written after it when the body is read again.
        const auto written = body_.substr(start, end - start);
        changed_ = changed_ || !written.ends_with('>') || end >= body_.size();
        write_tag(written);
        result_ += body_.substr(end, contents_end - end);
        result_ += "</STYLE>";
        return after;
    }

    bool is_flash_object() const
    {
        std::string class_id;
        return named("OBJECT") && has_attribute_value(tag_, "classid", class_id)
            && equal_ignoring_case(class_id, core::GetFlashClassId());
    }

    bool is_managed() const
    {
        return named("A") || named("AREA") || named("IMG") || tag_.GetAttributes().Has("BACKGROUND")
            || named("BGSOUND") || is_flash_object();
    }

    void record_object(std::size_t start, std::size_t end)
    {
        std::string mark;
        const auto id = has_attribute_value(tag_, "quorbis_id", mark) ? core::parse_object_id(mark) : core::object_id {};
        TRACE_LOG("%s object id=%d found in HTML Message Body\n", kind_label(id.kind), id.number);
        if (id.kind == core::unknown)
            return;
        if (context_.counters)
            context_.counters->raise_to_at_least(id.kind, id.number);
        switch (id.kind) {
        case core::picture:
        case core::hyperlink:
        case core::mailto:
        case core::sendfriend:
            record_picture(id.number);
            break;
        case core::flashfile:
            record_flash(id.number, start, end);
            break;
        case core::pullfile:
        case core::clickto:
            record_link(id.kind, id.number);
            break;
        default:
            break;
        }
    }

    void record_picture(std::int32_t id)
    {
        if (!named("IMG") && !named("AREA") && !tag_.GetAttributes().Has("BACKGROUND"))
            return;
        TRACE_LOG("Corresponding picture was found in code\n");
        if (!flag(scan_record))
            return;
        auto& dictionary = context_.dictionary;
        if (flag(scan_known_first)) {
            std::string source;
            has_attribute_value(tag_, "src", source);
            const bool found = source.empty() ? dictionary.CopyPictureFromKnown(kind_, id, pictures_)
                                              : dictionary.CopyPictureBySourceFromKnown(kind_, source, pictures_);
            if (found)
                return;
        }
        dictionary.AddPicture(kind_, id, pictures_, tag_, flag(scan_known_first));
    }

    void record_flash(std::int32_t id, std::size_t start, std::size_t end)
    {
        TRACE_LOG("Corresponding flashfile was found in code\n");
        if (!flag(scan_record))
            return;
        auto& dictionary = context_.dictionary;
        if (flag(scan_known_first) && dictionary.CopyFlashFromKnown(kind_, id, flashfiles_))
            return;
        if (named("OBJECT")) {
            const auto object_end = after_end_tag(body_, end, "</OBJECT");
            dictionary.AddFlashFromObject(
                kind_, body_.substr(start, object_end - start), id, flashfiles_, flag(scan_known_first));
        } else {
            dictionary.AddFlashFromLink(kind_, id, flashfiles_, tag_, flag(scan_known_first));
        }
    }

    void record_link(int object_kind, std::int32_t id)
    {
        auto& dictionary = context_.dictionary;
        if (flag(scan_normalise) && named("A")) {
            if (auto source = dictionary.known_link_source(kind_, object_kind, id))
                set_attribute("HREF", *source);
        }
        if (!flag(scan_record))
            return;
        const bool is_link = named("A") || named("AREA");
        const bool also = flag(scan_known_first);
        if (object_kind == core::pullfile) {
            if (also && dictionary.CopyPullFileFromKnown(kind_, id, pullfiles_, is_link))
                return;
            dictionary.AddPullFile(kind_, id, pullfiles_, tag_, also);
        } else {
            if (also && dictionary.CopyClickToFromKnown(kind_, id, clicktos_, is_link))
                return;
            dictionary.AddClickTo(kind_, id, clicktos_, tag_, also);
        }
    }

    // Flash movies are named by pull placeholders: the service puts the file in. A movie
    // named so already stays as it is, whatever its name holds ("?" would read as a query).
    void rewrite_flash_parameters()
    {
        const char* attribute = nullptr;
        std::string name;
        if (named("PARAM") && has_attribute_value(tag_, "name", name)
            && (equal_ignoring_case(name, "SRC") || equal_ignoring_case(name, "MOVIE")))
            attribute = "value";
        else if (named("EMBED"))
            attribute = "src";
        std::string movie;
        if (!attribute || !has_attribute_value(tag_, attribute, movie) || !core::IsFileLink(movie))
            return;
        if (movie.starts_with(core::pull_placeholder_prefix) && movie.ends_with(']'))
            return;
        set_attribute(attribute, core::make_pull_placeholder(core::GetLinkFileName(movie)));
    }

    // A link that asks for the redirector gets the redirector's file name; without a
    // redirector it stays as it is.
    void name_redirector()
    {
        static constexpr std::string_view placeholder = "@@REDIRECTORER_NAME@@";
        std::string href;
        if (!named("A") || !has_attribute_value(tag_, "HREF", href) || href.find(placeholder) == std::string::npos)
            return;
        if (context_.redirector_path.empty())
            return;
        core::cstring_replace_all(href, placeholder, object_file_name(context_.redirector_path));
        set_attribute("HREF", href);
    }

    const BodyScanner::context& context_;
    const int kind_;
    const std::string_view body_;
    picture_map& pictures_;
    flash_map& flashfiles_;
    pullfile_map& pullfiles_;
    clickto_map& clicktos_;
    const unsigned flags_;
    const bool declarations_;

    core::CHTMLTag tag_;
    bool changed_ = false; // the scan has changed the tag since it was read
    std::string result_;
    std::size_t plain_start_end_ = std::string::npos;
    // Text ending the result in a reference without its ";", from where to where: a dropped
    // tag leaves the text after it to join that one.
    std::size_t unfinished_reference_ = 0;
    std::size_t unfinished_reference_end_ = std::string::npos;
    std::string plain_start_name_;
    bool bookmark_ = false;
    bool in_xmp_ = false;
};

}

std::string BodyScanner::ScanBodyObjects(int kind, std::string_view body, picture_map& pictures, flash_map& flashfiles,
    pullfile_map& pullfiles, clickto_map& clicktos, unsigned flags, bool nested)
{
    std::string prepared(body);
    if (!(flags & (scan_redirector | scan_keep_sources)) && flags != scan_normalise) {
        restore_clickto_block(prepared, "quorbis_c2t_form", "div_c2t_form");
        restore_clickto_block(prepared, "quorbis_c2t_button", "div_c2t_button");
    }
    auto result = body_walk(context_, kind, prepared, pictures, flashfiles, pullfiles, clicktos, flags).run();
    if (nested)
        return result;
    // The pictures, Flash files and pull files of click-to pages belong to the message too.
    for (const auto& [id, clickto] : clicktos) {
        auto page = core::ReadFileToString(clickto.file.source);
        if (page.empty())
            page = core::ReadFileToString(core::path_combine(context_.pull_folder, object_file_name(clickto.file.title)));
        if (page.empty())
            continue;
        clickto_map own_clicktos;
        ScanBodyObjects(kind, page, pictures, flashfiles, pullfiles, own_clicktos, flags, true);
    }
    return result;
}

}

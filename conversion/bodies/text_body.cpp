#include "conversion/bodies/text_body.h"

#include "conversion/bodies/aol_conversion.h"
#include "conversion/bodies/body_error.h"
#include "conversion/detail/sed_runner.h"
#include "conversion/view_text/find_text.h"
#include "conversion/vocabulary/linked_item.h"
#include "conversion/vocabulary/replace_comments.h"
#include "conversion/vocabulary/vocabulary_texts.h"
#include "core/files/file_text.h"
#include "core/log/trace_log.h"
#include "core/markup/ascii.h"
#include "core/markup/escape.h"
#include "core/markup/html_tag.h"
#include "core/sed/sed_limits.h"
#include "core/url/url_text.h"
#include "core/util/strings.h"
#include "core/vocab/object_kinds.h"
#include "core/vocab/pull_placeholders.h"

#include <algorithm>
#include <sys/stat.h>
#include <vector>

namespace conversion {

namespace {

constexpr std::string_view pull_open = "[pull name=";
constexpr std::string_view mailto_prefix = "mailto:";

// A value read from a tag, as text a reader sees.
std::string shown(std::string_view value)
{
    return core::escape_text(core::DecodeEntitiesAndEscapes(value), core::escape_mode::exact);
}

std::string text_form(std::string_view inner, const body_passes& passes)
{
    // Without markup or references the pictures-and-mail-tos pass changes nothing.
    if (inner.find_first_of("<&") == std::string_view::npos)
        return std::string(trim_blanks(inner));
    std::string copy(inner);
    convert_images_and_mailto_links(copy, true, passes.object_texts());
    return std::string(trim_blanks(copy));
}

// The name between "[pull name=" and the next "]" of a start tag; empty when there is none.
std::string written_pull_name(std::string_view tag)
{
    const auto open = find_text(tag, pull_open);
    if (open == std::string_view::npos)
        return {};
    const auto from = open + pull_open.size();
    const auto close = tag.find(']', from);
    return close == std::string_view::npos ? std::string() : std::string(tag.substr(from, close - from));
}

// The comment that closes at `at` (its "<!--" there) when it holds `word`; the position
// after its "-->", else npos.
std::size_t marker_end_at(std::string_view text, std::size_t at, std::string_view word)
{
    if (text.compare(at, 4, "<!--") != 0)
        return std::string_view::npos;
    const auto close = text.find("-->", at + 4);
    if (close == std::string_view::npos || text.substr(at + 4, close - at - 4).find(word) == std::string_view::npos)
        return std::string_view::npos;
    return close + 3;
}

// The next tag opened by `opener` (case ignored) at or after `from`, read into `tag`; the
// position of its ">", npos when there is none or it has no end.
std::size_t find_tag(std::string_view text, std::string_view opener, std::size_t from, core::CHTMLTag& tag,
    std::size_t& at)
{
    at = core::find_ignoring_case(text, opener, from);
    if (at == std::string_view::npos)
        return std::string_view::npos;
    const auto after = tag.Parse(text, at);
    if (after <= at || text[after - 1] != '>')
        return std::string_view::npos;
    return after - 1;
}

// Step 2: a picture with a text-body alternative stands for it where it shows no text; one
// with an empty alternative goes. The item is the IMG tag, or, when only text stands
// between it and the object's end marker, everything from its start marker (when that
// stands right before it) to the end marker.
void rewrite_pictures(std::string& text)
{
    std::string out;
    std::size_t copied = 0;
    std::size_t scan = 0;
    while (true) {
        core::CHTMLTag tag;
        std::size_t at = 0;
        const auto tag_end = find_tag(text, "<img ", scan, tag, at);
        if (tag_end == std::string::npos)
            break;
        std::string id, alt;
        tag.GetAttributes().GetValue(quorbis_id_attribute, id);
        const bool has_alt = tag.GetAttributes().GetValue(text_body_alt_attribute, alt);
        if (core::parse_object_id(id).kind != core::picture) {
            scan = at + 1;
            continue;
        }
        std::size_t item_start = at;
        std::size_t item_end = tag_end + 1;
        std::string visible;
        const auto next_tag = text.find('<', item_end);
        if (next_tag != std::string::npos) {
            const auto marker_end = marker_end_at(text, next_tag, object_end_word);
            if (marker_end != std::string::npos) {
                visible = core::DecodeEntitiesAndEscapes(std::string_view(text).substr(item_end, next_tag - item_end));
                visible = std::string(trim_blanks(visible));
                item_end = marker_end;
                const auto start_marker = text.rfind("<!--", at);
                if (start_marker != std::string::npos && start_marker >= copied
                    && marker_end_at(text, start_marker, object_start_word) == at)
                    item_start = start_marker;
            }
        }
        out.append(text, copied, item_start - copied);
        if (!has_alt || alt.empty()) {
            // The picture has no text-body form: it goes, the text beside it stays.
            if (item_start < at)
                out.append(text, item_start, at - item_start);
            out.append(text, tag_end + 1, item_end - tag_end - 1);
        } else if (visible.empty()) {
            out += shown(alt);
            out += "&nbsp;";
        } else {
            out.append(text, item_start, item_end - item_start);
        }
        copied = item_end;
        scan = item_end;
    }
    if (copied == 0)
        return;
    out.append(text, copied, std::string::npos);
    text.swap(out);
}

// Step 3: each anchor shows where it leads. An anchor without "</a>" stays as it is.
void rewrite_anchors(std::string& text, const body_passes& passes)
{
    std::string out;
    std::size_t copied = 0;
    std::size_t scan = 0;
    while (true) {
        core::CHTMLTag tag;
        std::size_t at = 0;
        const auto tag_end = find_tag(text, "<a ", scan, tag, at);
        if (tag_end == std::string::npos)
            break;
        const auto close = core::find_ignoring_case(text, "</a>", tag_end + 1);
        if (close == std::string::npos)
            break; // no later anchor has an end either
        const std::size_t end = close + 4;
        std::string alt, id, href;
        tag.GetAttributes().GetValue(text_body_alt_attribute, alt);
        tag.GetAttributes().GetValue(quorbis_id_attribute, id);
        tag.GetAttributes().GetValue("href", href);
        const core::object_id object = core::parse_object_id(id);
        const std::string_view start_tag = std::string_view(text).substr(at, tag_end + 1 - at);
        const std::string_view inner = std::string_view(text).substr(tag_end + 1, close - tag_end - 1);
        const bool redirected = href.find(redirector_placeholder) != std::string::npos;

        std::optional<std::string> replacement;
        if (!redirected && find_text(start_tag, pull_open) != std::string_view::npos) {
            std::optional<std::string> name;
            if (object.kind == core::pullfile || object.kind == core::clickto)
                name = passes.find_pull_name(object.kind, object.number);
            const std::string written = written_pull_name(start_tag);
            if (!name && !written.empty())
                name = passes.find_pull_name_by_placeholder(written);
            if (!name)
                name = written;
            replacement = core::format_string("%s&nbsp;[pull name=%s]", text_form(inner, passes).c_str(),
                shown(*name).c_str());
        } else if (core::starts_with_ignoring_case(href, mailto_prefix)) {
            const std::string shown_text = text_form(inner, passes);
            const std::string address =
                core::DecodeEntitiesAndEscapes(std::string_view(href).substr(mailto_prefix.size()));
            if (core::equal_ignoring_case(trim_blanks(core::DecodeEntitiesAndEscapes(shown_text)), trim_blanks(address)))
                replacement = shown_text;
            else
                replacement = core::format_string("%s&nbsp;%s", shown_text.c_str(),
                    core::escape_text(address, core::escape_mode::exact).c_str());
        }
        out.append(text, copied, at - copied);
        copied = end;
        scan = end;
        if (replacement) {
            out += *replacement;
            continue;
        }
        if (href.empty()) {
            out.append(text, at, end - at);
            continue;
        }
        const std::string address = core::DecodeEntitiesAndEscapes(href);
        const std::string visible = core::DecodeEntitiesAndEscapes(text_form(inner, passes));
        out.append(start_tag);
        if (alt.empty() && !redirected && object.kind != core::sendfriend && trim_blanks(visible).empty()) {
            // A link that shows no text shows its address.
            out += core::escape_text(address, core::escape_mode::exact);
            out += ' ';
        } else {
            // The link's own words stay; the address follows them unless they are the address.
            out.append(inner);
            if (!core::equal_ignoring_case(visible, address)) {
                out += ' ';
                out += core::escape_text(address, core::escape_mode::exact);
            }
        }
        out.append(text, close, 4);
    }
    if (copied == 0)
        return;
    out.append(text, copied, std::string::npos);
    text.swap(out);
}

// Step 4: pull sizes go; an opening without its end stays.
void remove_pull_sizes(std::string& text)
{
    constexpr std::string_view open = "([pullsize name=";
    std::string out;
    std::size_t from = 0;
    while (true) {
        const auto at = text.find(open, from);
        if (at == std::string::npos)
            break;
        const auto end = text.find("])", at + open.size());
        if (end == std::string::npos)
            break;
        out.append(text, from, at - from);
        from = end + 2;
    }
    if (from == 0)
        return;
    out.append(text, from, std::string::npos);
    text.swap(out);
}

}

namespace {

// In one pass, what replacing each "!" by the protection string, then CR LF by "_!!!_", CR by
// "_!!_", LF by "_!_" and "<" by LF "!<" gives, appended to `out`: every tag begins a line,
// no input line break is left.
void append_protected(std::string& out, std::string_view text)
{
    std::size_t copied = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c != '!' && c != '\r' && c != '\n' && c != '<')
            continue;
        out.append(text.substr(copied, i - copied));
        switch (c) {
        case '!':
            out += text_body_protection;
            break;
        case '\r':
            if (i + 1 < text.size() && text[i + 1] == '\n') {
                out += "_!!!_";
                ++i;
            } else {
                out += "_!!_";
            }
            break;
        case '\n':
            out += "_!_";
            break;
        case '<':
            out += "\n!<";
            break;
        }
        copied = i + 1;
    }
    out.append(text.substr(copied));
}

// The protection undone in one pass, appended to `out`: LF "!<" to "<", "_!_" to LF, "_!!_"
// to CR, "_!!!_" to CR LF, the protection string to "!". The protected text holds "!" only
// inside these tokens, so reading them left to right gives what replacing them in that order
// gives.
void append_unprotected(std::string& out, std::string_view text)
{
    std::size_t copied = 0;
    for (std::size_t i = 0; i < text.size();) {
        const char c = text[i];
        if (c != '\n' && c != '_' && c != text_body_protection.front()) {
            ++i;
            continue;
        }
        const std::string_view rest = text.substr(i);
        std::string_view token;
        std::string_view with;
        if (rest.starts_with("\n!<")) {
            token = "\n!<";
            with = "<";
        } else if (rest.starts_with("_!!!_")) {
            token = "_!!!_";
            with = "\r\n";
        } else if (rest.starts_with("_!!_")) {
            token = "_!!_";
            with = "\r";
        } else if (rest.starts_with("_!_")) {
            token = "_!_";
            with = "\n";
        } else if (rest.starts_with(text_body_protection)) {
            token = text_body_protection;
            with = "!";
        } else {
            ++i;
            continue;
        }
        out.append(text.substr(copied, i - copied));
        out += with;
        i += token.size();
        copied = i;
    }
    out.append(text.substr(copied));
}

// Whether the anchor normaliser's expression can match the tag at `at`: "<a" or "<A"
// followed by a blank, "_" or a line break (each of which the protection turns into one of
// the expression's "!", "_" or space; a "!" itself becomes the protection string, which it
// does not match).
bool may_fold_at(std::string_view text, std::size_t at)
{
    if (at + 2 >= text.size() || (text[at + 1] != 'a' && text[at + 1] != 'A'))
        return false;
    const char next = text[at + 2];
    return next == ' ' || next == '_' || next == '\r' || next == '\n';
}

// Where the tags the expression may fold start.
std::vector<std::size_t> foldable_tags(std::string_view text)
{
    std::vector<std::size_t> tags;
    for (auto at = text.find('<'); at != std::string_view::npos; at = text.find('<', at + 1))
        if (may_fold_at(text, at))
            tags.push_back(at);
    return tags;
}

// The size of the longest line of the protected text, which has one line per tag: the text
// before the first "<", then each "<" with what follows it up to the next one.
std::size_t longest_sed_line(std::string_view text)
{
    std::size_t longest = 0;
    std::size_t line = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        switch (text[i]) {
        case '<':
            longest = std::max(longest, line);
            line = 2; // "!<"
            break;
        case '!':
            line += text_body_protection.size();
            break;
        case '\r':
            if (i + 1 < text.size() && text[i + 1] == '\n') {
                line += 5; // "_!!!_"
                ++i;
            } else {
                line += 4; // "_!!_"
            }
            break;
        case '\n':
            line += 3; // "_!_"
            break;
        default:
            ++line;
        }
    }
    return std::max(longest, line);
}

// Whether a line of the protected text is longer than the sed engine takes. No byte grows
// beyond the protection string's size, so most texts need no count.
bool has_line_beyond(std::string_view text, std::size_t space_limit)
{
    return text.size() > space_limit / text_body_protection.size() && longest_sed_line(text) > space_limit;
}

}

std::size_t default_text_body_sed_limit()
{
    return hevtools::sed::limits::default_space_limit;
}

bool normalise_anchor_tags(std::string& text, std::size_t sed_space_limit)
{
    if (text.find(text_body_protection) != std::string::npos) {
        TRACE_LOG("normalise_anchor_tags() -- the text holds the protection string: anchors left as written\n");
        return false;
    }
    const std::vector<std::size_t> foldable = foldable_tags(text);
    if (foldable.empty())
        return true; // no "<a" followed by a blank, "_" or a line break: sed would change nothing
    if (has_line_beyond(text, sed_space_limit)) {
        TRACE_LOG("normalise_anchor_tags() -- a line is longer than the sed engine's limit of %zu bytes; anchors "
                  "left as written\n",
            sed_space_limit);
        return false;
    }
    // The expression changes nothing on the other lines, so only the foldable tags' lines go
    // through sed, each after a line break.
    const auto line_end = [&](std::size_t at) {
        const auto next = text.find('<', at + 1);
        return next == std::string::npos ? text.size() : next;
    };
    std::string guarded;
    for (const std::size_t at : foldable)
        append_protected(guarded, std::string_view(text).substr(at, line_end(at) - at));

    std::string output, messages;
    const int status = detail::run_sed_text({"sed", "-e", "s/<[Aa][!_ ][!_ ]*[Hh][Rr][Ee][Ff]/<a href/"}, guarded,
        output, messages, sed_space_limit);
    if (status != 0) {
        TRACE_LOG("normalise_anchor_tags() -- sed failed (%d): %s; anchors left as written\n", status,
            messages.c_str());
        return false;
    }
    // The engine ends its last line with a line break the input does not have.
    if (!output.empty() && output.back() == '\n')
        output.pop_back();
    // The output is an empty first line, then the foldable lines in order.
    std::string folded;
    folded.reserve(text.size());
    std::size_t copied = 0;
    std::size_t line = output.find('\n');
    for (const std::size_t at : foldable) {
        const auto next = output.find('\n', line + 1);
        folded.append(text, copied, at - copied);
        append_unprotected(folded, std::string_view(output).substr(line, next - line));
        copied = line_end(at);
        line = next;
    }
    folded.append(text, copied);
    text.swap(folded);
    return true;
}

void rewrite_links_for_text_body(std::string& text, const body_passes& passes)
{
    rewrite_links_for_text_body(text, passes, default_text_body_sed_limit());
}

void rewrite_links_for_text_body(std::string& text, const body_passes& passes, std::size_t sed_space_limit)
{
    refreshReplaceComments(text, passes.pull_folder());
    (void)normalise_anchor_tags(text, sed_space_limit);
    rewrite_pictures(text);
    rewrite_anchors(text, passes);
    remove_pull_sizes(text);
    replace_objects_with_links(text, false);
    convert_unordered_lists(text);
    convert_ordered_lists(text);
    convert_links_to_text(text);
    convert_tables(text);
    core::cstring_replace_all(text, "<P>", "<P><P>&nbsp;</P>");
}

std::string rewrite_file_for_text_body(const std::string& path, const body_passes& passes)
{
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0)
        return {};
    std::string text = read_body_file(path);
    rewrite_links_for_text_body(text, passes);
    return text;
}

}

#include "conversion/vocabulary/replace_comments.h"

#include "conversion/vocabulary/vocabulary_texts.h"
#include "core/files/file_path.h"
#include "core/log/trace_log.h"

namespace conversion {

namespace {

// A name that stays in the pull-file folder when joined to it.
bool is_bare_name(std::string_view name)
{
    return !name.empty() && name != "." && name != ".." && name.find_first_of("/\\") == std::string_view::npos;
}

// The pull file's name in a kept text: between "name=" and the next "]".
std::optional<std::string_view> pull_size_name(std::string_view kept)
{
    const auto open = kept.find(pullsize_name_open);
    if (open == std::string_view::npos)
        return std::nullopt;
    const auto begin = open + pullsize_name_open.size();
    const auto close = kept.find(']', begin);
    if (close == std::string_view::npos)
        return std::nullopt;
    return kept.substr(begin, close - begin);
}

// The refreshed pull-size comment, or none when it is to stay as it stands.
std::optional<std::string> refreshed_pull_size(std::string_view kept, const std::optional<std::string>& pull_folder)
{
    if (!pull_folder)
        return std::nullopt;
    const auto name = pull_size_name(kept);
    if (!name)
        return std::nullopt;
    if (!is_bare_name(*name)) {
        TRACE_LOG("refreshReplaceComments() -- pull size of \"%.*s\" left: not a bare file name",
            static_cast<int>(name->size()), name->data());
        return std::nullopt;
    }
    const auto size = core::read_file_size(core::path_combine(*pull_folder, *name));
    if (!size) {
        TRACE_LOG("refreshReplaceComments() -- pull size of \"%.*s\" left: the file cannot be read",
            static_cast<int>(name->size()), name->data());
        return std::nullopt;
    }
    return produceReplaceComment("(" + pull_size_text(*size) + ")", kept);
}

}

std::string produceReplaceComment(std::string_view shown, std::string_view kept)
{
    std::string comment;
    comment.reserve(replace_marker.size() + shown.size() + kept_open.size() + kept.size() + kept_close.size());
    comment += replace_marker;
    comment += shown;
    comment += kept_open;
    comment += kept;
    comment += kept_close;
    return comment;
}

std::string produce_pull_size_comment(std::string_view name, const std::string& file_path)
{
    if (name.find(comment_close) != std::string_view::npos || !is_bare_name(name)) {
        TRACE_LOG("produce_pull_size_comment() -- no size comment for \"%.*s\": not a bare file name",
            static_cast<int>(name.size()), name.data());
        return {};
    }
    std::string shown;
    if (const auto size = core::read_file_size(file_path))
        shown = "(" + pull_size_text(*size) + ")";
    else
        TRACE_LOG("produce_pull_size_comment() -- %s cannot be read: no size shown", file_path.c_str());
    return produceReplaceComment(shown, pullsize_placeholder(name));
}

void refreshReplaceComments(std::string& body, const std::optional<std::string>& pull_folder)
{
    const std::string_view text(body);
    std::string out;
    std::size_t copied = 0;
    for (std::size_t position = 0;;) {
        const auto marker = text.find(replace_marker, position);
        if (marker == std::string_view::npos)
            break;
        const auto shown_begin = marker + replace_marker.size();
        const auto open = text.find(kept_open, shown_begin);
        if (open == std::string_view::npos)
            break;
        const auto kept_begin = open + kept_open.size();
        const auto close = text.find(kept_close, kept_begin);
        if (close == std::string_view::npos)
            break;
        const auto end = close + kept_close.size();
        const auto shown = text.substr(shown_begin, open - shown_begin);
        const auto kept = text.substr(kept_begin, close - kept_begin);

        std::optional<std::string> comment;
        if (kept.find(pullsize_word) != std::string_view::npos)
            comment = refreshed_pull_size(kept, pull_folder);
        else
            comment = produceReplaceComment(kept, shown);
        if (comment) {
            if (out.empty())
                out.reserve(body.size() + 64);
            out.append(text, copied, marker - copied);
            out += *comment;
            copied = end;
        }
        position = end;
    }
    if (copied == 0)
        return;
    out.append(text, copied, std::string_view::npos);
    body = std::move(out);
}

}

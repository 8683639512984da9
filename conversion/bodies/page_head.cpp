#include "conversion/bodies/page_head.h"

#include "conversion/bodies/aol_conversion.h"
#include "conversion/bodies/body_error.h"
#include "conversion/bodies/text_body.h"
#include "conversion/detail/parsed_markup.h"
#include "conversion/vocabulary/vocabulary_texts.h"
#include "core/log/trace_log.h"
#include "core/markup/ascii.h"
#include "core/markup/escape.h"
#include "core/util/strings.h"
#include "platform/files/unique_fd.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace conversion {

namespace {

using hevtools::markup::html::el;
using hevtools::markup::html::is;

bool is_program_meta(const core::markup_tag& tag)
{
    if (!is(tag, el::META))
        return false;
    for (const auto& [key, value] : tag.attributes) {
        if (!core::equal_ignoring_case(key.name, "name"))
            continue;
        std::string_view name = value;
        if (name.size() >= 2 && (name.front() == '"' || name.front() == '\'') && name.back() == name.front())
            name = name.substr(1, name.size() - 2);
        return core::equal_ignoring_case(name, generator_meta_name) || core::equal_ignoring_case(name, progid_meta_name);
    }
    return false;
}

// The "<head" that opens the head element: followed by ">" or a blank.
std::size_t find_head_start(std::string_view page)
{
    for (std::size_t at = core::find_ignoring_case(page, "<head"); at != std::string_view::npos;
         at = core::find_ignoring_case(page, "<head", at + 1)) {
        const std::size_t next = at + 5;
        if (next < page.size() && (page[next] == '>' || page[next] == ' ' || page[next] == '\t' || page[next] == '\r'
                                      || page[next] == '\n'))
            return at;
    }
    return std::string_view::npos;
}

// A temporary page the view loads at once: written in one go, not synced (it outlives no
// crash), created new so that nothing else's file is replaced.
void write_page(const core::file_path& file, std::string_view text)
{
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        const std::string why = std::strerror(errno);
        TRACE_LOG("write_page() -- %s: %s\n", file.c_str(), why.c_str());
        throw body_error("The page " + file.path() + " could not be written: " + why + ".");
    }
    platform::files::unique_fd owned(fd);
    std::size_t written = 0;
    while (written < text.size()) {
        const auto got = ::write(fd, text.data() + written, text.size() - written);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            const std::string why = got < 0 ? std::strerror(errno) : "nothing written";
            TRACE_LOG("write_page() -- %s: %s\n", file.c_str(), why.c_str());
            throw body_error("The page " + file.path() + " could not be written: " + why + ".");
        }
        written += static_cast<std::size_t>(got);
    }
}

core::file_path temporary_page()
{
    core::file_path file = core::temp_file_path_init(0, "", "htm", true);
    if (file.path().empty())
        throw body_error("No temporary page could be made.");
    return file;
}

}

bool head_adjuster::on_empty_tag(core::markup_tag& tag, std::size_t position)
{
    dropped_ = is_program_meta(tag);
    return dropped_ || copying_parser_callback::on_empty_tag(tag, position);
}

bool head_adjuster::on_start_tag(core::markup_tag& tag, std::size_t position)
{
    dropped_ = is_program_meta(tag);
    return dropped_ || copying_parser_callback::on_start_tag(tag, position);
}

bool head_adjuster::on_end_tag(core::markup_tag& tag, std::size_t position)
{
    dropped_ = false;
    return copying_parser_callback::on_end_tag(tag, position);
}

bool head_adjuster::on_comment(std::string& text, std::size_t position)
{
    dropped_ = false;
    return copying_parser_callback::on_comment(text, position);
}

bool head_adjuster::on_text(std::string& text, bool raw, std::size_t position)
{
    const bool after_drop = dropped_;
    dropped_ = false;
    if (after_drop && text.find_first_not_of(" \t\r\n") == std::string::npos)
        return true;
    return copying_parser_callback::on_text(text, raw, position);
}

void adjust_head(std::string& page)
{
    adjust_head(page, generator_content(core::GetProgramVersionString()), core::load_string_resource(progid_string));
}

void adjust_head(std::string& page, std::string_view generator, std::string_view progid)
{
    const auto start = find_head_start(page);
    if (start == std::string::npos)
        return;
    const auto end = core::find_ignoring_case(page, "</head>", start);
    if (end == std::string::npos)
        return;
    std::string copy;
    head_adjuster adjuster(copy);
    detail::parse_markup_into(page.substr(start, end - start), adjuster);
    copy += head_declarations(generator, progid);
    page.replace(start, end - start, copy);
}

core::file_path write_text_body_page(const std::string& page, const body_passes& passes)
{
    std::string text = page;
    rewrite_links_for_text_body(text, passes);
    core::file_path file = temporary_page();
    write_page(file, text);
    return file;
}

std::string text_page_markup(std::string_view page_text)
{
    std::string markup = core::escape_text(page_text, core::escape_mode::exact);
    core::cstring_replace_all(markup, "\r\n", "<br>");
    return markup;
}

view_page view_page_for(view_page_source& source)
{
    view_page result;
    if (source.edit_mode() == 2) {
        result.kind = view_page::kind_type::file;
        result.file = core::file_path(source.document_path());
        return result;
    }
    if (!source.has_document_manager())
        return result;
    const std::string path = source.document_path();
    int kind = source.document_kind();
    if (!path.empty()) {
        kind = source.template_index_by_extension(core::file_path(path).extension());
        if (kind < 0 || kind > 2)
            kind = 2;
    }
    std::string page;
    if (!source.doc_file_exists(kind) && kind != 0) {
        core::file_path working(path);
        working.set_extension(source.working_extension());
        body_passes& passes = source.passes();
        std::string body;
        if (kind == 2) {
            core::file_path rewritten = temporary_page();
            write_page(rewritten, rewrite_file_for_text_body(working.path(), passes));
            auto text = passes.get_page_text(rewritten.path());
            if (!text)
                throw body_error("The text body of " + working.path() + " could not be read.");
            body = text_page_markup(*text);
        } else {
            body = convert_for_aol(read_body_file(working.path()), false, passes);
        }
        if (!body.empty()) {
            result.kind = view_page::kind_type::file;
            result.file = temporary_page();
            write_page(result.file, body);
            return result;
        }
    } else {
        core::file_path stored(source.doc_file_path(kind));
        if (!stored.path().empty()) {
            stored.set_extension(source.working_extension());
            page = stored.path();
        }
    }
    if (page.empty()) {
        result.kind = view_page::kind_type::default_page;
        return result;
    }
    result.kind = view_page::kind_type::file;
    result.file = core::file_path(page);
    return result;
}

}

#include "shell/documents/program_body_passes.h"

#include "core/log/trace_log.h"
#include "core/markup/ascii.h"
#include "core/url/file_url.h"

namespace shell {

bool ProgramBodyPasses::reparse_html_text_pass(std::string& text)
{
    if (!page_services_) {
        TRACE_LOG("ProgramBodyPasses::reparse_html_text_pass() -- no page loader\n");
        return false;
    }
    return editing::reparse_html_text_pass(*page_services_, text) == 0;
}

bool ProgramBodyPasses::reparse_html_alignment_pass(std::string& text, bool flag)
{
    if (!page_services_) {
        TRACE_LOG("ProgramBodyPasses::reparse_html_alignment_pass() -- no page loader\n");
        return false;
    }
    return editing::reparse_html_alignment_pass(*page_services_, text, flag ? 1 : 0) == 0;
}

std::optional<std::string> ProgramBodyPasses::get_page_text(const std::string& path)
{
    if (!page_services_) {
        TRACE_LOG("ProgramBodyPasses::get_page_text() -- no page loader\n");
        return std::nullopt;
    }
    std::string text;
    if (editing::get_page_text(*page_services_, core::make_file_url(path), text) != 0)
        return std::nullopt;
    return text;
}

std::optional<std::string> ProgramBodyPasses::find_pull_name(int kind, int number) const
{
    if (!objects_)
        return std::nullopt;
    if (kind == core::pullfile) {
        auto found = objects_->pullfiles.find(number);
        if (found != objects_->pullfiles.end())
            return found->second.file.title;
    } else if (kind == core::clickto) {
        auto found = objects_->clicktos.find(number);
        if (found != objects_->clicktos.end())
            return found->second.file.title;
    }
    return std::nullopt;
}

std::optional<std::string> ProgramBodyPasses::find_pull_name_by_placeholder(std::string_view placeholder) const
{
    if (!objects_)
        return std::nullopt;
    for (const auto& [number, record] : objects_->pullfiles)
        if (core::equal_ignoring_case(record.file.title, placeholder))
            return record.file.title;
    for (const auto& [number, record] : objects_->clicktos)
        if (core::equal_ignoring_case(record.file.title, placeholder))
            return record.file.title;
    return std::nullopt;
}

}

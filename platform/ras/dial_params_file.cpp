#include "platform/ras/dial_params_file.h"

#include "platform/text/quoted_text.h"

namespace platform::ras {

namespace {

bool skip_blanks(std::string_view line, std::size_t& pos)
{
    while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t' || line[pos] == '\r'))
        ++pos;
    return pos < line.size();
}

std::string check_limits(const dial_params& params)
{
    if (params.entry.empty())
        return "no entry name";
    if (params.entry.size() > max_entry_name)
        return "entry name too long";
    if (params.user.size() > max_user)
        return "user name too long";
    if (params.password.size() > max_password)
        return "password too long";
    if (params.domain.size() > max_domain)
        return "domain too long";
    return {};
}

}

dial_params_table parse_dial_params(std::string_view text)
{
    dial_params_table table;
    if (text.size() > max_dial_params_file) {
        table.problems.push_back("the file is larger than " + std::to_string(max_dial_params_file) + " bytes");
        return table;
    }
    std::size_t start = 0;
    for (int number = 1; start < text.size(); ++number) {
        auto end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        auto line = text.substr(start, end - start);
        start = end + 1;
        std::size_t pos = 0;
        if (!skip_blanks(line, pos) || line[pos] == '#')
            continue;
        dial_params params;
        std::string* fields[] = {&params.entry, &params.user, &params.password, &params.domain};
        std::string reason;
        for (auto* field : fields) {
            if (!skip_blanks(line, pos) || line[pos] != '"') {
                reason = "four quoted texts expected";
                break;
            }
            if (!platform::text::read_quoted(line, pos, *field, reason))
                break;
        }
        if (reason.empty() && skip_blanks(line, pos))
            reason = "text after the fourth field";
        if (reason.empty())
            reason = check_limits(params);
        if (!reason.empty()) {
            table.problems.push_back("line " + std::to_string(number) + ": " + reason);
            continue;
        }
        auto name = params.entry;
        table.entries.insert_or_assign(std::move(name), std::move(params));
    }
    return table;
}

std::string format_dial_params(const std::map<std::string, dial_params>& entries)
{
    std::string text = "# Logon data of the dial-up connections: entry, user, password, domain\n";
    for (const auto& [name, params] : entries) {
        platform::text::append_quoted(text, params.entry);
        for (const auto* field : {&params.user, &params.password, &params.domain}) {
            text += ' ';
            platform::text::append_quoted(text, *field);
        }
        text += '\n';
    }
    return text;
}

}

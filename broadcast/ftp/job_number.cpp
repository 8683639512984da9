#include "broadcast/ftp/job_number.h"

#include "core/sed/sed_command.h"
#include "core/util/strings.h"

#include <algorithm>
#include <vector>

namespace broadcast {

namespace {

constexpr const char* job_number_script = "s/JOB  *=  *\\([0-9]*\\)/!\\1!/;s/[^!]*!//;s/!.*//;";

std::string without_line_breaks(std::string_view text)
{
    std::string result(text);
    std::erase_if(result, [](char c) { return c == '\r' || c == '\n'; });
    return result;
}

// Where "JOB", one or more blanks, "=", one or more blanks and a digit begin; npos for none.
std::size_t job_number_at(std::string_view line)
{
    for (auto at = line.find("JOB"); at != std::string_view::npos; at = line.find("JOB", at + 1)) {
        std::size_t i = at + 3;
        const std::size_t blanks_before = i;
        while (i < line.size() && line[i] == ' ')
            ++i;
        if (i == blanks_before || i >= line.size() || line[i] != '=')
            continue;
        const std::size_t blanks_after = ++i;
        while (i < line.size() && line[i] == ' ')
            ++i;
        if (i > blanks_after && i < line.size() && line[i] >= '0' && line[i] <= '9')
            return at;
    }
    return std::string_view::npos;
}

}

std::string job_number_from_reply(std::string_view reply)
{
    std::size_t start = 0;
    while (start <= reply.size()) {
        std::size_t end = reply.find('\n', start);
        std::string_view line = reply.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
        if (const auto at = job_number_at(line); at != std::string_view::npos) {
            // From that "JOB" on, so an earlier "JOB =" without digits does not take the
            // script's match; "!" marks the number in the script, and control bytes are no
            // text of a reply.
            std::string marked(line.substr(at));
            for (char& c : marked)
                if (c == '!' || static_cast<unsigned char>(c) < ' ' || c == 0x7f)
                    c = ' ';
            core::sed_command sed({"sed", "-e", job_number_script});
            return without_line_breaks(sed.run_on_text(marked));
        }
        if (end == std::string_view::npos)
            break;
        start = end + 1;
    }
    return without_line_breaks(reply);
}

std::string make_result_text(bool success, std::string_view last_status)
{
    const std::string head = core::load_string_resource(success ? 20036 : 20037);
    return core::format_string("%s, \r\n%s %s (%s)", head.c_str(), core::load_string_resource(142).c_str(),
        job_number_from_reply(last_status).c_str(), core::load_string_resource(20052).c_str());
}

}

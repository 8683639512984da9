#include "platform/ftp/ftp_session.h"

namespace platform::ftp {

namespace {

// The code of a line that begins with a reply code (three digits, the first 1-5), else 0.
int line_code(std::string_view line)
{
    if (line.size() < 3 || line[0] < '1' || line[0] > '5')
        return 0;
    int code = 0;
    for (std::size_t i = 0; i < 3; ++i) {
        if (line[i] < '0' || line[i] > '9')
            return 0;
        code = code * 10 + (line[i] - '0');
    }
    return code;
}

}

bool usable_in_command(std::string_view text)
{
    return text.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

void ftp_reply_collector::reset()
{
    current_.clear();
    current_lines_ = 0;
    open_code_ = 0;
    last_.clear();
    last_code_ = 0;
}

void ftp_reply_collector::add_line(std::string_view line)
{
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.remove_suffix(1);
    if (line.size() > max_line)
        line = line.substr(0, max_line);
    const int code = line_code(line);
    if (open_code_ != 0) {
        const bool closing = code == open_code_ && (line.size() == 3 || line[3] == ' ');
        // A long reply keeps its first lines and its closing one.
        if (closing || current_lines_ < max_lines) {
            current_ += "\r\n";
            current_ += line;
            ++current_lines_;
        }
        if (closing) {
            last_ = std::move(current_);
            last_code_ = open_code_;
            current_.clear();
            current_lines_ = 0;
            open_code_ = 0;
        }
        return;
    }
    if (code == 0)
        return; // not a reply line
    if (line.size() > 3 && line[3] == '-') {
        current_.assign(line);
        current_lines_ = 1;
        open_code_ = code;
        return;
    }
    last_.assign(line);
    last_code_ = code;
}

}

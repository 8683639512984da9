#include "broadcast/smtp/smtp_reply.h"

#include <cstring>

namespace broadcast::smtp {

std::optional<std::string> reply_buffer::take_line()
{
    auto* end = static_cast<char*>(std::memchr(bytes_, '\n', held_));
    if (!end)
        return std::nullopt;
    std::size_t length = static_cast<std::size_t>(end - bytes_) + 1;
    std::string line(bytes_, length);
    std::memmove(bytes_, bytes_ + length, held_ - length);
    held_ -= length;
    std::memset(bytes_ + held_, 0, capacity - held_);
    return line;
}

reply_collector::state reply_collector::add(const std::string& line)
{
    bytes_ += line.size();
    if (++lines_ > max_lines || bytes_ > max_bytes || line.size() < 3)
        return state::failed;
    int code = 0;
    for (int i = 0; i < 3; ++i) {
        if (line[i] < '0' || line[i] > '9')
            return state::failed;
        code = code * 10 + (line[i] - '0');
    }
    if (line.size() > 3 && line[3] == '-')
        return state::more;
    if (code < 100)
        return state::failed;
    code_ = code;
    return state::done;
}

}

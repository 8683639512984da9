#include "broadcast/form_site/response_filter.h"

namespace broadcast::form_site {

namespace {

constexpr std::size_t max_tag_name = 16;

char lower_ascii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

}

response_filter::response_filter(std::size_t width, std::uint64_t limit) : width_(width), limit_(limit) { }

bool response_filter::feed(std::string_view chunk, std::string& out)
{
    if (html_end_ || over_limit_)
        return false;
    if (chunk.size() > limit_ - taken_) {
        over_limit_ = true;
        return false;
    }
    taken_ += chunk.size();
    for (char c : chunk) {
        if (c == '\r')
            continue;
        if (c == '\n') {
            out += c;
            column_ = 0;
            continue;
        }
        if ((c == ' ' || c == '\t') && !in_tag_ && wrap_allowed_ && column_ > width_) {
            out += '\n';
            column_ = 0;
            continue;
        }
        out += c;
        ++column_;
        if (c == '<') {
            in_tag_ = true;
            name_done_ = false;
            tag_name_.clear();
            wrap_allowed_ = false;
        } else if (in_tag_ && c == '>') {
            in_tag_ = false;
            end_tag(out);
            if (html_end_)
                return false;
        } else if (in_tag_ && !name_done_) {
            if (c == ' ' || c == '\t' || c == '\n' || tag_name_.size() >= max_tag_name)
                name_done_ = true;
            else
                tag_name_ += lower_ascii(c);
        }
    }
    return true;
}

void response_filter::end_tag(std::string& out)
{
    wrap_allowed_ = tag_name_ != "option";
    if (tag_name_ == "/option") {
        out += '\n';
        column_ = 0;
    } else if (tag_name_ == "/html") {
        html_end_ = true;
    }
}

}

#pragma once

#include <cstddef>
#include <string_view>

namespace platform::text {

// Reads a text line by line, LF or CR LF ended, counting lines from 1 for error messages.
class line_reader {
public:
    explicit line_reader(std::string_view text) : text_(text) { }

    bool next(std::string_view& line)
    {
        if (pos_ >= text_.size())
            return false;
        auto end = text_.find('\n', pos_);
        line = text_.substr(pos_, end == std::string_view::npos ? std::string_view::npos : end - pos_);
        pos_ = end == std::string_view::npos ? text_.size() : end + 1;
        ++number_;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        return true;
    }

    std::size_t number() const { return number_; }

private:
    std::string_view text_;
    std::size_t pos_ = 0;
    std::size_t number_ = 0;
};

}

#pragma once

#include <cstddef>
#include <string_view>

#include "core/markup/ascii.h"

namespace broadcast::contacts {

// The physical lines of a text, each ended by CR LF, LF or CR alone (address books come from
// every kind of system), with their numbers counted from 1; unlike platform::text::line_reader
// a lone CR ends a line, and the next line can be looked at before it is taken.
class text_lines {
public:
    explicit text_lines(std::string_view text) : text_(text) { }

    // The next line without its end; false at the end of the text.
    bool next(std::string_view& line)
    {
        if (position_ >= text_.size())
            return false;
        // A plain scan: find_first_of would look each byte up in the set of line ends.
        std::size_t stop = position_;
        while (stop < text_.size() && text_[stop] != '\r' && text_[stop] != '\n')
            ++stop;
        line = text_.substr(position_, stop - position_);
        position_ = stop;
        if (position_ < text_.size())
            position_ += text_[position_] == '\r' && position_ + 1 < text_.size() && text_[position_ + 1] == '\n' ? 2 : 1;
        ++number_;
        return true;
    }
    // The line that next() would give, without taking it.
    bool peek(std::string_view& line) const
    {
        text_lines copy = *this;
        return copy.next(line);
    }
    std::size_t number() const { return number_; }
    // Where the next line begins.
    std::size_t position() const { return position_; }

private:
    std::string_view text_;
    std::size_t position_ = 0;
    std::size_t number_ = 0;
};

using core::equal_ignoring_case;

}

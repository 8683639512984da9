#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace core {

// Base64 in the mail layout: the standard alphabet with "=" fill, every 57 input bytes one
// line of 76 characters ended by CR LF, the last line shorter. Input may come in pieces of
// any size; the bytes that do not fill a line wait for the next piece or for finish().
class base64_line_encoder {
public:
    static constexpr std::size_t line_input = 57;

    // Appends the lines that the bytes complete to `out`.
    void feed(std::string_view bytes, std::string& out);
    // Appends the last, short line (nothing when the input was a multiple of 57 bytes) and
    // makes the encoder ready for new input.
    void finish(std::string& out);

private:
    unsigned char pending_[line_input] = {};
    std::size_t pending_size_ = 0;
};

// The whole text at once.
std::string base64_lines(std::string_view bytes);

}

#pragma once

#include <cstddef>
#include <optional>
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

// The whole text at once, in the mail layout.
std::string base64_lines(std::string_view bytes);

// Base64 (RFC 4648 alphabet, "=" padding) in lines of at most `line_length` characters,
// each ended by `line_end`, the last one too; nothing for empty data. A line length of 0
// gives one line.
std::string base64_encode_lines(std::string_view data, std::size_t line_length = 76,
    std::string_view line_end = "\r\n");

// Standard base64 (RFC 4648) with padding optional; white space between groups is
// skipped. Nothing for any other byte, a misplaced "=" or a lone trailing character.
std::optional<std::string> base64_decode(std::string_view text);

}

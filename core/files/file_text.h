#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

namespace core {

// The size of a regular file in bytes; none when it cannot be read (the failure is traced).
std::optional<std::uint64_t> read_file_size(const std::string& path);
// The same with 0 for a file that cannot be read.
std::uint64_t get_file_size(const std::string& path);

// How numbers are written: the decimal mark, the group separator ("" for none) and the
// group size.
struct number_format {
    std::string decimal_mark = ".";
    std::string group_separator;
    int group_size = 3;
};
// The user's locale (std::locale("")), else the "C" locale.
number_format user_number_format();
// A point as decimal mark and groups of three joined by the separator.
number_format grouped_number_format(std::string_view group_separator);

// The quotient size / unit with three decimals in the number format; a zero fraction is
// dropped ("1", not "1.000").
std::string format_size_units(std::uint64_t size, std::uint64_t unit, const number_format& format);
// From 1048576 bytes with an mb_format, from 1024 with a kb_format, else the byte count,
// each put in place of the format's "%s" ("%s Mb", "%s Kb", "%s b").
std::string format_size(std::uint64_t size, std::string_view mb_format, std::string_view kb_format,
    std::string_view b_format, const number_format& format = user_number_format());
std::string format_file_size(const std::string& path, std::string_view mb_format, std::string_view kb_format,
    std::string_view b_format, const number_format& format = user_number_format());

// "://" becomes "-", then each of : , \ / ? | & " * becomes "-".
std::string url_to_file_name(std::string_view url);

// Replaces every occurrence of a non-empty `what` that begins at or after `start` and before
// `end` (npos or beyond the text: the whole rest); the search goes on behind each
// replacement, so the inserted text is never searched again, and `end` moves with the
// text it bounds. An empty `what` changes nothing.
void cstring_replace_all(std::string& text, std::string_view what, std::string_view with, std::size_t start = 0,
    std::size_t end = std::string::npos);
std::string cstring_replace_all_chained(std::string text, std::string_view what, std::string_view with,
    std::size_t start = 0);

// Writes the characters of the text to an open file.
bool write_cstring_to_file(std::ostream& file, std::string_view text);

}

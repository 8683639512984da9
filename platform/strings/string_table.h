#pragma once

#include <cstddef>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>

namespace platform::strings {

class string_table_error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The largest string table file read.
inline constexpr std::size_t max_string_table_size = 16 * 1024 * 1024;

// The program's string resources, read from a text file of lines `<id> "<text>"` with
// the escapes \\ \" \n \r \t \xHH; blank lines and "#" comments are skipped.
class string_table {
public:
    string_table() = default;

    // Throws string_table_error naming the file (and line) when it cannot be read (missing,
    // not a regular file, larger than max_string_table_size), holds a duplicate id, a bad
    // escape or an unterminated quote, or has no text for one of the `required` ids.
    static string_table load(const std::string& path, std::span<const unsigned> required = {});
    static string_table parse(std::string_view text, std::string_view file_name);

    // The text of an id; empty for an unknown id, as a failed resource look-up gives.
    const std::string& text(unsigned id) const;
    std::size_t size() const { return texts_.size(); }

private:
    std::unordered_map<unsigned, std::string> texts_;
};

}

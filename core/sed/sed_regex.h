#pragma once

#include <bitset>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace hevtools::sed {

enum class element_kind : std::uint8_t {
    literal,        // one byte
    any,            // "."
    set,            // a bracket expression
    end_of_line,    // "$" as the last character
    group_start,    // "\("
    group_end,      // "\)"
    back_reference, // "\1" - "\9"
    word_start,     // "\<"
    word_end,       // "\>"
};

inline constexpr std::uint32_t unbounded = std::numeric_limits<std::uint32_t>::max();

using char_set = std::bitset<256>;

struct element {
    element_kind kind = element_kind::literal;
    unsigned char value = 0;   // the byte of a literal, the group number of a group or reference
    std::uint32_t set = 0;     // index into regex::sets
    std::uint32_t min = 1;     // repetition bounds; 1,1 is a single occurrence
    std::uint32_t max = 1;
    bool repeated() const { return min != 1 || max != 1; }
};

// A compiled regular expression: the element list in order.
struct regex {
    bool anchored = false; // started with "^"
    std::vector<element> elements;
    std::vector<char_set> sets;
    int groups = 0;
    bool has_back_references = false;
    std::string leading_literals; // literal bytes every match starts with
    int required_byte = -1;       // a byte every match holds, or -1
};

enum class regex_status { ok, reuse_last, garbled, range_error, bad_escape };

struct regex_parse {
    regex_status status = regex_status::garbled;
    std::shared_ptr<const regex> compiled;
    std::string bad_text; // for bad_escape: the text from the backslash on
};

// Decodes the escape whose letter stands at text[pos] (after a backslash): "\a" "\b" "\e" "\f"
// "\n" "\r" "\t" "\v" and "\x" with two hex digits; any other byte stands for itself.
// Advances pos past the escape; false for a bad "\x".
bool decode_escape(std::string_view text, std::size_t& pos, unsigned char& out);

// Parses an expression that starts at text[pos] and ends at the unescaped delimiter; pos moves
// past the delimiter. An empty expression gives reuse_last.
regex_parse parse_regex(std::string_view text, std::size_t& pos, char delimiter);

// Runs compiled expressions over one text. Keeps what it learns about the text between
// searches, so a global substitution over one line stays linear; begin() starts afresh.
class matcher {
public:
    void begin(const regex& re, std::string_view text);
    // Finds the leftmost match starting at or after from. continuing: the search goes on after
    // an earlier match (an anchored expression then never matches).
    bool search(std::size_t from, bool continuing);

    std::size_t match_start() const { return match_start_; }
    std::size_t match_end() const { return match_end_; }
    // The text of group g (1-9), empty when it took part in no match.
    std::string_view group(int g) const;

private:
    struct frame {
        std::uint32_t elem;
        std::size_t pos;     // where the repeated element began
        std::size_t next;    // next candidate (position, or count for a reference)
        std::size_t low;     // lowest candidate
        std::size_t top;     // highest candidate the frame covers
        std::size_t last;    // candidate tried last, npos before the first
        std::size_t step;    // length of one repetition of a reference
        std::size_t known_high; // failures already known above this candidate range
    };

    bool match_at(std::size_t start);
    std::size_t run_end(std::uint32_t index, std::size_t pos, std::size_t limit);
    bool atom_matches(const element& e, unsigned char c) const;
    std::size_t find_byte(std::size_t from, unsigned char byte) const; // npos when absent
    bool next_candidate(frame& f, std::size_t& position);
    void enable_memo();
    bool failed(std::uint32_t elem, std::size_t pos) const;
    void mark_failed(std::uint32_t elem, std::size_t pos);

    const regex* re_ = nullptr;
    const unsigned char* text_ = nullptr;
    std::size_t length_ = 0;
    bool learn_ = false; // no back references: failures depend on position only
    std::vector<frame> frames_;
    struct known_failures {
        std::size_t low = 1, high = 0; // continuations in [low, high] cannot complete a match
        std::size_t run_from = 1, run_to = 0; // the element matches every byte in [run_from, run_to)
    };
    std::vector<known_failures> known_;
    std::vector<std::uint64_t> memo_;
    bool memo_on_ = false;
    std::uint64_t work_ = 0;
    std::size_t required_at_ = 0; // last position where the required byte was found
    bool required_valid_ = false;
    std::size_t groups_[10][2] {};
    std::size_t match_start_ = 0, match_end_ = 0;
};

}

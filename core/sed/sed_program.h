#pragma once

#include "core/sed/sed_regex.h"

#include <array>
#include <cstdint>
#include <exception>
#include <memory>
#include <ostream>
#include <string>
#include <variant>
#include <vector>

namespace hevtools {

// A fatal sed error, carrying the exit status; sed_engine::main catches it.
class termination_by_exit : public std::exception {
public:
    explicit termination_by_exit(std::int32_t status) : status_(status) { }
    std::int32_t status() const { return status_; }
    const char* what() const noexcept override { return "sed: run ended"; }

private:
    std::int32_t status_;
};

}

namespace hevtools::sed {

enum class command_code : std::uint8_t {
    label = 0,
    line_number = 1,   // =
    append = 2,        // a
    branch = 3,        // b
    change = 4,        // c
    del = 5,           // d
    delete_first = 6,  // D
    get = 7,           // g
    get_append = 8,    // G
    hold = 9,          // h
    hold_append = 10,  // H
    insert = 11,       // i
    list = 12,         // l
    next = 13,         // n
    next_append = 14,  // N
    print = 15,        // p
    print_first = 16,  // P
    quit = 17,         // q
    read_file = 18,    // r
    substitute = 19,   // s
    test = 20,         // t
    test_not = 21,     // T
    write = 22,        // w
    write_first = 23,  // W
    exchange = 24,     // x
    translate = 25,    // y
    block = 32,        // {
};

enum class address_kind : std::uint8_t { none, line, last, regex, relative };

struct address {
    address_kind kind = address_kind::none;
    std::uint32_t line = 0; // a line number, or the N of "+N"
    std::shared_ptr<const regex> re;
};

// One part of a replacement: literal bytes, or a reference to the match (0) or a group (1-9).
struct replacement_part {
    bool reference = false;
    int group = 0;
    std::string text;
};
using replacement = std::vector<replacement_part>;

struct text_argument {
    std::string text; // a, i, c
};
struct file_argument {
    std::string name; // r
};
struct branch_argument {
    std::size_t target = 0; // index of the next command to run; the command count ends the script
};
struct substitution_argument {
    std::shared_ptr<const regex> re;
    std::shared_ptr<const replacement> with;
};
struct translation_argument {
    std::array<unsigned char, 256> table {};
};

using argument = std::variant<std::monostate, text_argument, file_argument, branch_argument, substitution_argument,
    translation_argument>;

enum class print_mode : std::uint8_t { none = 0, all = 1, first_line = 2 };

struct command {
    address first;
    address second;
    argument arg;
    command_code code = command_code::print;
    std::uint32_t match_count = 0; // s: 0 none given, else 1-512
    bool negate = false;
    bool global = false;
    print_mode print = print_mode::none;
    int output = -1; // -1 none, 0 the engine's output, k the k-th w file
};

// A compiled script: the commands in order and the w files they write.
struct program {
    std::vector<command> commands;
    std::vector<std::string> w_names;
    std::vector<std::unique_ptr<std::ostream>> w_streams;
    bool no_autoprint = false; // "#n" as the first comment
};

}

#pragma once

#include <cstddef>
#include <cstdint>

// The counted limits of the sed dialect, each with the message that reports it.
namespace hevtools::sed::limits {

inline constexpr std::size_t max_commands = 199;        // "sed: too many commands, last was "
inline constexpr std::size_t max_line_numbers = 255;    // "sed: too many line numbers "
inline constexpr std::size_t max_relative_ranges = 49;  // "sed: too many line numbers "
inline constexpr std::size_t max_labels = 48;           // "sed: too many labels: "
inline constexpr std::size_t max_w_files = 10;          // "sed: too many w files "
inline constexpr int max_groups = 9;                    // "sed: garbled command "
inline constexpr std::uint32_t max_match_count = 512;   // "sed: bad value for match count on s command "
inline constexpr std::uint32_t max_repeat_min = 255;    // counted repetition: 1 <= m <= 255
inline constexpr std::uint32_t max_repeat_span = 254;   // and n - m <= 254
inline constexpr std::size_t max_appends = 19;          // "sed: too many appends after line "

// Defaults of the engine options; tests and fuzzers lower both.
inline constexpr std::uint64_t default_branch_limit = 100000;            // "sed: infinite branch loop at line "
inline constexpr std::size_t default_space_limit = std::size_t(256) << 20; // "sed: line too long at line "

}

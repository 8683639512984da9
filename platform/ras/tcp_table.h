#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::ras {

using ipv4_address = std::array<std::uint8_t, 4>; // in the dotted order

// One line of the kernel's table of TCP connections (/proc/net/tcp).
struct tcp_connection {
    ipv4_address local {};
    std::uint16_t local_port = 0;
    ipv4_address remote {};
    std::uint16_t remote_port = 0;
    int state = 0; // 1 established
    bool operator==(const tcp_connection&) const = default;
};

inline constexpr int tcp_established = 1;
// The largest table read.
inline constexpr std::size_t max_tcp_table_size = 64 * 1024 * 1024;

// The connections of the table's text: the heading and lines that are not a connection
// are skipped. Addresses are written as the kernel keeps them, in this machine's byte order.
std::vector<tcp_connection> parse_tcp_table(std::string_view text);

// "a.b.c.d"; nothing for anything else.
std::optional<ipv4_address> parse_ipv4(std::string_view text);

// An established connection from the link's address to a remote one that is neither
// 0.x.x.x nor on the loopback network.
bool carries_live_tcp(const std::vector<tcp_connection>& table, const ipv4_address& link);

// Reads a file of the kernel's (which tells no size) to its end; nothing when it cannot be
// read whole (missing, unreadable, larger than `most`).
std::optional<std::string> read_kernel_file(const std::string& path, std::size_t most);

inline std::optional<std::string> read_tcp_table_file(const std::string& path)
{
    return read_kernel_file(path, max_tcp_table_size);
}

}

#include "platform/ras/tcp_table.h"

#include <charconv>
#include <cstring>
#include <fstream>
#include <iterator>

namespace platform::ras {

namespace {

bool read_hex(std::string_view text, std::uint32_t& value)
{
    if (text.empty() || text.size() > 8)
        return false;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    return error == std::errc() && end == text.data() + text.size();
}

// "AABBCCDD:PPPP": the address as the kernel printed its 32-bit value, then the port.
bool read_endpoint(std::string_view text, ipv4_address& address, std::uint16_t& port)
{
    auto colon = text.find(':');
    if (colon != 8 || text.size() != 13)
        return false;
    std::uint32_t raw = 0;
    std::uint32_t port_value = 0;
    if (!read_hex(text.substr(0, 8), raw) || !read_hex(text.substr(9), port_value))
        return false;
    // The value's bytes in memory are the address in network order.
    std::memcpy(address.data(), &raw, address.size());
    port = static_cast<std::uint16_t>(port_value);
    return true;
}

std::vector<std::string_view> fields_of(std::string_view line, std::size_t most)
{
    std::vector<std::string_view> fields;
    std::size_t pos = 0;
    while (fields.size() < most) {
        pos = line.find_first_not_of(" \t", pos);
        if (pos == std::string_view::npos)
            break;
        auto end = line.find_first_of(" \t", pos);
        if (end == std::string_view::npos)
            end = line.size();
        fields.push_back(line.substr(pos, end - pos));
        pos = end;
    }
    return fields;
}

}

std::vector<tcp_connection> parse_tcp_table(std::string_view text)
{
    std::vector<tcp_connection> table;
    std::size_t start = 0;
    while (start < text.size()) {
        auto end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        auto line = text.substr(start, end - start);
        start = end + 1;
        // "  sl  local_address rem_address   st ..."
        auto fields = fields_of(line, 4);
        if (fields.size() < 4 || fields[0].empty() || fields[0].back() != ':')
            continue;
        tcp_connection connection;
        std::uint32_t state = 0;
        if (!read_endpoint(fields[1], connection.local, connection.local_port)
            || !read_endpoint(fields[2], connection.remote, connection.remote_port) || fields[3].size() != 2
            || !read_hex(fields[3], state))
            continue;
        connection.state = static_cast<int>(state);
        table.push_back(connection);
    }
    return table;
}

std::optional<ipv4_address> parse_ipv4(std::string_view text)
{
    ipv4_address address {};
    std::size_t pos = 0;
    for (std::size_t i = 0; i < address.size(); ++i) {
        if (i > 0) {
            if (pos >= text.size() || text[pos] != '.')
                return std::nullopt;
            ++pos;
        }
        unsigned part = 0;
        auto [end, error] = std::from_chars(text.data() + pos, text.data() + text.size(), part);
        auto digits = static_cast<std::size_t>(end - (text.data() + pos));
        if (error != std::errc() || digits == 0 || digits > 3 || part > 255)
            return std::nullopt;
        address[i] = static_cast<std::uint8_t>(part);
        pos += digits;
    }
    if (pos != text.size())
        return std::nullopt;
    return address;
}

bool carries_live_tcp(const std::vector<tcp_connection>& table, const ipv4_address& link)
{
    for (const auto& connection : table) {
        if (connection.state == tcp_established && connection.local == link && connection.remote[0] != 0
            && connection.remote[0] != 127)
            return true;
    }
    return false;
}

std::optional<std::string> read_kernel_file(const std::string& path, std::size_t most)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::string text;
    char buffer[65536];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        text.append(buffer, static_cast<std::size_t>(in.gcount()));
        if (text.size() > most)
            return std::nullopt;
    }
    if (in.bad())
        return std::nullopt;
    return text;
}

}

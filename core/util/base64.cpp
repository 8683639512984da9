#include "core/util/base64.h"

#include <algorithm>
#include <array>

namespace core {

namespace {

constexpr char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// The base64 of the bytes, "=" filled, without line ends.
void append_encoded(const unsigned char* data, std::size_t size, std::string& out)
{
    std::size_t i = 0;
    for (; i + 3 <= size; i += 3) {
        const unsigned value = (data[i] << 16u) | (data[i + 1] << 8u) | data[i + 2];
        out += alphabet[(value >> 18u) & 63u];
        out += alphabet[(value >> 12u) & 63u];
        out += alphabet[(value >> 6u) & 63u];
        out += alphabet[value & 63u];
    }
    if (size - i == 1) {
        const unsigned value = data[i] << 16u;
        out += alphabet[(value >> 18u) & 63u];
        out += alphabet[(value >> 12u) & 63u];
        out += "==";
    } else if (size - i == 2) {
        const unsigned value = (data[i] << 16u) | (data[i + 1] << 8u);
        out += alphabet[(value >> 18u) & 63u];
        out += alphabet[(value >> 12u) & 63u];
        out += alphabet[(value >> 6u) & 63u];
        out += '=';
    }
}

void append_line(const unsigned char* data, std::size_t size, std::string& out)
{
    append_encoded(data, size, out);
    out += "\r\n";
}

constexpr std::array<signed char, 256> digit_values = [] {
    std::array<signed char, 256> table {};
    table.fill(-1);
    for (int i = 0; i < 64; ++i)
        table[static_cast<unsigned char>(alphabet[i])] = static_cast<signed char>(i);
    return table;
}();

}

void base64_line_encoder::feed(std::string_view bytes, std::string& out)
{
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    std::size_t size = bytes.size();
    if (pending_size_ != 0) {
        const std::size_t taken = std::min(size, line_input - pending_size_);
        std::copy(data, data + taken, pending_ + pending_size_);
        pending_size_ += taken;
        data += taken;
        size -= taken;
        if (pending_size_ < line_input)
            return;
        append_line(pending_, line_input, out);
        pending_size_ = 0;
    }
    out.reserve(out.size() + (size / line_input + 1) * 78);
    for (; size >= line_input; data += line_input, size -= line_input)
        append_line(data, line_input, out);
    std::copy(data, data + size, pending_);
    pending_size_ = size;
}

void base64_line_encoder::finish(std::string& out)
{
    if (pending_size_ != 0)
        append_line(pending_, pending_size_, out);
    pending_size_ = 0;
}

std::string base64_lines(std::string_view bytes)
{
    std::string out;
    base64_line_encoder encoder;
    encoder.feed(bytes, out);
    encoder.finish(out);
    return out;
}

std::string base64_encode_lines(std::string_view data, std::size_t line_length, std::string_view line_end)
{
    if (data.empty())
        return {};
    std::string encoded;
    encoded.reserve((data.size() + 2) / 3 * 4);
    append_encoded(reinterpret_cast<const unsigned char*>(data.data()), data.size(), encoded);
    // Whole groups of four characters per line.
    std::size_t per_line = line_length == 0 ? encoded.size() : std::max<std::size_t>(4, line_length / 4 * 4);
    std::string out;
    out.reserve(encoded.size() + (encoded.size() / per_line + 1) * line_end.size());
    for (std::size_t at = 0; at < encoded.size(); at += per_line) {
        out.append(encoded, at, per_line);
        out += line_end;
    }
    return out;
}

std::optional<std::string> base64_decode(std::string_view text)
{
    std::string out;
    out.reserve(text.size() / 4 * 3 + 3);
    unsigned bits = 0;
    int count = 0;
    int padding = 0;
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n')
            continue;
        if (c == '=') {
            ++padding;
            continue;
        }
        const int value = digit_values[c];
        if (value < 0 || padding > 0)
            return std::nullopt;
        bits = (bits << 6) | static_cast<unsigned>(value);
        if (++count == 4) {
            out.push_back(static_cast<char>(bits >> 16));
            out.push_back(static_cast<char>(bits >> 8));
            out.push_back(static_cast<char>(bits));
            bits = 0;
            count = 0;
        }
    }
    if (count == 1 || padding > 2 || (padding > 0 && count + padding != 4))
        return std::nullopt;
    if (count == 2) {
        out.push_back(static_cast<char>(bits >> 4));
    } else if (count == 3) {
        out.push_back(static_cast<char>(bits >> 10));
        out.push_back(static_cast<char>(bits >> 2));
    }
    return out;
}

}

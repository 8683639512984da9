#include "core/util/base64.h"
#include <algorithm>

namespace core {

namespace {

constexpr char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

void append_line(const unsigned char* data, std::size_t size, std::string& out)
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
    out += "\r\n";
}

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

}

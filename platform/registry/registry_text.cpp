#include "platform/registry/registry_text.h"

#include "platform/text/line_reader.h"
#include "platform/text/quoted_text.h"

#include <algorithm>
#include <charconv>
#include <optional>

namespace platform::registry {

using text::append_quoted;
using text::hex_digit;
using text::read_quoted;

namespace {

constexpr std::string_view header = "talverin-registry 1";

// Why a key line's path is refused.
std::string key_problem(std::string_view path)
{
    path = trim_key_separators(path);
    if (path.size() > max_key_path_length)
        return "key path longer than the limit of " + std::to_string(max_key_path_length) + " bytes";
    if (std::count(path.begin(), path.end(), '\\') >= static_cast<std::ptrdiff_t>(max_key_depth))
        return "key path deeper than the limit of " + std::to_string(max_key_depth) + " levels";
    return "invalid key name";
}

bool parse_value(std::string_view text, value& out, std::string& reason)
{
    if (text.starts_with("sz:")) {
        std::size_t pos = 3;
        std::string content;
        if (!read_quoted(text, pos, content, reason))
            return false;
        if (pos != text.size()) {
            reason = "text after quoted value";
            return false;
        }
        out = std::move(content);
        return true;
    }
    if (text.starts_with("dword:")) {
        auto digits = text.substr(6);
        int base = 10;
        if (digits.starts_with("0x") || digits.starts_with("0X")) {
            digits.remove_prefix(2);
            base = 16;
        }
        std::uint32_t number = 0;
        auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), number, base);
        if (digits.empty() || ec != std::errc() || end != digits.data() + digits.size()) {
            reason = "bad dword value";
            return false;
        }
        out = number;
        return true;
    }
    if (text.starts_with("binary:")) {
        auto digits = text.substr(7);
        if (digits.size() % 2 != 0) {
            reason = "odd number of hex digits";
            return false;
        }
        binary bytes;
        bytes.reserve(digits.size() / 2);
        for (std::size_t i = 0; i < digits.size(); i += 2) {
            int high = hex_digit(digits[i]);
            int low = hex_digit(digits[i + 1]);
            if (high < 0 || low < 0) {
                reason = "bad hex digit";
                return false;
            }
            bytes.push_back(static_cast<std::uint8_t>(high * 16 + low));
        }
        out = std::move(bytes);
        return true;
    }
    reason = "unknown value type";
    return false;
}

}

parse_outcome parse_registry_text(std::string_view text, std::string_view file_name)
{
    parse_outcome outcome;
    std::optional<registry_tree::key_writer> current_key;
    bool seen_header = false;
    text::line_reader lines(text);

    auto fail = [&](const std::string& reason) {
        outcome.ok = false;
        outcome.tree = {};
        outcome.error = std::string(file_name) + ":" + std::to_string(lines.number()) + ": " + reason;
        return outcome;
    };

    std::string_view line;
    while (lines.next(line)) {
        if (!seen_header) {
            if (line != header)
                return fail("first line must be \"talverin-registry 1\"");
            seen_header = true;
            continue;
        }
        if (line.empty() || line.front() == '#')
            continue;
        if (line.front() == '[') {
            if (line.back() != ']' || line.size() < 3)
                return fail("key line must be [path]");
            auto path = line.substr(1, line.size() - 2);
            auto opened = outcome.tree.open_key(path);
            if (!opened.ok())
                return fail(key_problem(path));
            current_key = opened.data;
            continue;
        }
        if (line.front() != '"')
            return fail("expected a key line, a quoted value name or a comment");
        if (!current_key)
            return fail("value before any key");
        std::size_t cursor = 0;
        std::string name;
        std::string reason;
        if (!read_quoted(line, cursor, name, reason))
            return fail(reason);
        if (cursor >= line.size() || line[cursor] != '=')
            return fail("expected = after the value name");
        value data;
        if (!parse_value(line.substr(cursor + 1), data, reason))
            return fail(reason);
        if (current_key->set(name, std::move(data)) != status::ok)
            return fail("value larger than the limit of " + std::to_string(max_value_size) + " bytes");
    }
    if (!seen_header && !text.empty())
        return fail("first line must be \"talverin-registry 1\"");
    outcome.ok = true;
    return outcome;
}

std::string format_registry_text(const registry_tree& tree)
{
    static constexpr char digits[] = "0123456789abcdef";
    std::string out(header);
    out += '\n';
    tree.visit([&](std::string_view path, const std::vector<named_value>& values, bool has_subkeys) {
        // A key with subkeys and no values needs no line of its own: its subkeys' lines
        // make it again. Every line written was thus a line read, and a deep key is
        // written once, not once for each of its parents.
        if (values.empty() && has_subkeys)
            return;
        out += '[';
        out += path;
        out += "]\n";
        for (const auto& entry : values) {
            append_quoted(out, entry.name);
            out += '=';
            if (auto* text = std::get_if<std::string>(&entry.data)) {
                out += "sz:";
                append_quoted(out, *text);
            } else if (auto* number = std::get_if<std::uint32_t>(&entry.data)) {
                out += "dword:";
                out += std::to_string(*number);
            } else {
                out += "binary:";
                for (auto byte : std::get<binary>(entry.data)) {
                    out += digits[byte >> 4];
                    out += digits[byte & 15];
                }
            }
            out += '\n';
        }
    });
    return out;
}

}

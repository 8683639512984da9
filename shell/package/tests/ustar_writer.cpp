#include "shell/package/tests/ustar_writer.h"

#include <cstdio>
#include <cstring>

namespace shell::testing {

namespace {

void put(std::string& block, std::size_t at, std::size_t width, const std::string& text)
{
    std::memcpy(&block[at], text.data(), std::min(width, text.size()));
}

void put_octal(std::string& block, std::size_t at, std::size_t width, unsigned long long value)
{
    char digits[32];
    std::snprintf(digits, sizeof digits, "%0*llo", int(width - 1), value);
    put(block, at, width - 1, digits);
}

}

std::string pax_record(const std::string& key, const std::string& value)
{
    auto body = " " + key + "=" + value + "\n";
    auto length = body.size() + 1;
    while (std::to_string(length).size() + body.size() != length)
        ++length;
    return std::to_string(length) + body;
}

std::string ustar_archive(const std::vector<ustar_member>& members)
{
    std::string archive;
    for (const auto& member : members) {
        std::string header(512, '\0');
        put(header, 0, 100, member.name);
        put_octal(header, 100, 8, member.mode);
        put_octal(header, 108, 8, 1000);
        put_octal(header, 116, 8, 1000);
        bool has_content = member.type == '0' || member.type == 'x' || member.type == 'L';
        put_octal(header, 124, 12, has_content ? member.content.size() : 0);
        put_octal(header, 136, 12, 1700000000);
        header[156] = member.type;
        put(header, 157, 100, member.link);
        put(header, 257, 6, std::string("ustar\0", 6));
        put(header, 263, 2, "00");
        std::memset(&header[148], ' ', 8);
        unsigned sum = 0;
        for (unsigned char c : header)
            sum += c;
        char check[8];
        std::snprintf(check, sizeof check, "%06o", sum);
        std::memcpy(&header[148], check, 7);
        archive += header;
        if (has_content) {
            archive += member.content;
            archive.append((512 - member.content.size() % 512) % 512, '\0');
        }
    }
    archive.append(1024, '\0');
    return archive;
}

}

#include "conversion/objects/clickto_page.h"

#include "core/files/file_text.h"
#include "core/files/path_parts.h"
#include "core/markup/ascii.h"
#include "core/markup/escape.h"
#include "core/markup/html_tag.h"
#include "core/util/strings.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <unistd.h>

namespace conversion {

namespace {

constexpr std::size_t base_name_limit = 38;

bool is_control(unsigned char c)
{
    return c < 0x20 || c == 0x7f;
}

// The text cut to at most `limit` bytes without splitting a UTF-8 sequence.
std::string cut_to(std::string text, std::size_t limit)
{
    if (text.size() <= limit)
        return text;
    auto end = limit;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    text.resize(end);
    return text;
}

void write_all(int fd, std::string_view text, const std::string& path)
{
    while (!text.empty()) {
        auto written = ::write(fd, text.data(), text.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            throw std::runtime_error("Cannot write the click-to page " + path + ": " + std::strerror(errno));
        text.remove_prefix(static_cast<std::size_t>(written));
    }
}

}

std::string clickto_base_name(std::string_view address, int number)
{
    std::string name(core::trim_view(address));
    if (name.find("//") == std::string::npos)
        name.insert(0, "http://");
    if (name.size() > 4 && core::ends_with_ignoring_case(name, ".htm"))
        name.resize(name.size() - 4);
    else if (name.size() > 5 && core::ends_with_ignoring_case(name, ".html"))
        name.resize(name.size() - 5);
    auto short_name = core::url_to_file_name(name);
    // Control bytes have no place in a file name.
    for (auto& c : short_name) {
        if (is_control(static_cast<unsigned char>(c)))
            c = '-';
    }
    const auto prefix = core::format_string("clickto%d_", number);
    if (short_name.size() > base_name_limit)
        return prefix + cut_to(short_name, base_name_limit - prefix.size());
    if (!short_name.empty() && (core::is_ascii_letter(short_name[0]) || core::is_ascii_digit(short_name[0])))
        return short_name;
    return cut_to(prefix + short_name, base_name_limit);
}

std::string clickto_refresh_target(std::string_view target)
{
    static const char hex[] = "0123456789ABCDEF";
    std::string encoded;
    for (char c : target) {
        auto byte = static_cast<unsigned char>(c);
        if (is_control(byte) || c == ';' || c == '"' || c == '\'' || c == '<' || c == '>') {
            encoded += '%';
            encoded += hex[byte >> 4];
            encoded += hex[byte & 0x0f];
        } else {
            encoded += c;
        }
    }
    return core::escape_attribute_value(encoded, '"', core::escape_mode::exact);
}

std::string clickto_page_text(std::string_view target, const clickto_page_texts& texts)
{
    std::string page = "<html>\n<head>\n";
    page += "   <meta http-equiv=\"refresh\" content=\"";
    page += std::to_string(texts.delay);
    page += ";URL=";
    page += clickto_refresh_target(target);
    page += "\">\n";
    page += "</head><body>";
    page += texts.wait;
    page += ' ';
    page += core::escape_text(target, core::escape_mode::exact);
    page += ' ';
    page += texts.to_load;
    page += '\n';
    page += "</body></html>";
    return page;
}

std::string write_clickto_page(std::string_view address, int number, const clickto_page_texts& texts)
{
    const auto target = core::trim_view(address);
    const auto base = clickto_base_name(target, number);
    const auto page = clickto_page_text(target, texts);
    for (int attempt = 1; attempt < 1000; ++attempt) {
        auto name = attempt == 1 ? base : base + "-" + std::to_string(attempt);
        auto path = core::temp_file_name_init("", name, "html", false).path();
        int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0 && errno == EEXIST)
            continue;
        if (fd < 0)
            throw std::runtime_error("Cannot create the click-to page " + path + ": " + std::strerror(errno));
        try {
            write_all(fd, page, path);
        } catch (...) {
            ::close(fd);
            ::unlink(path.c_str());
            throw;
        }
        if (::close(fd) != 0) {
            ::unlink(path.c_str());
            throw std::runtime_error("Cannot write the click-to page " + path + ": " + std::strerror(errno));
        }
        return path;
    }
    throw std::runtime_error("No free name for the click-to page " + base + ".html");
}

}

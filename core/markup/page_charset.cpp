// Page bytes into UTF-8 through iconv.

#include "core/markup/page_charset.h"

#include "core/markup/ascii.h"

#include <cctype>
#include <cerrno>

namespace core {

iconv_converter::iconv_converter(const std::string& to, const std::string& from)
    : cd_(iconv_open(to.c_str(), from.c_str()))
{
}

iconv_converter::~iconv_converter()
{
    if (ok())
        iconv_close(cd_);
}


bool valid_utf8(std::string_view s)
{
    std::size_t i = 0;
    while (i < s.size()) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        std::size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        if (n == 0 || i + n > s.size())
            return false;
        if (n == 2 && c < 0xC2)
            return false;
        for (std::size_t k = 1; k < n; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80)
                return false;
        i += n;
    }
    return true;
}

// Converts the whole text; bytes the source charset cannot read become U+FFFD.
std::string to_utf8(std::string_view bytes, const std::string& charset)
{
    iconv_converter cv("UTF-8", charset);
    if (!cv.ok())
        return std::string(bytes);
    std::string out;
    out.resize(bytes.size() * 4 + 16);
    char* in = const_cast<char*>(bytes.data());
    std::size_t in_left = bytes.size();
    char* dst = out.data();
    std::size_t dst_left = out.size();
    while (in_left > 0) {
        if (iconv(cv.get(), &in, &in_left, &dst, &dst_left) != static_cast<std::size_t>(-1))
            break;
        if (errno == E2BIG) {
            std::size_t used = out.size() - dst_left;
            out.resize(out.size() * 2);
            dst = out.data() + used;
            dst_left = out.size() - used;
            continue;
        }
        // An unreadable or cut byte sequence: one replacement character, go on.
        ++in;
        --in_left;
        if (dst_left < 3) {
            std::size_t used = out.size() - dst_left;
            out.resize(out.size() * 2);
            dst = out.data() + used;
            dst_left = out.size() - used;
        }
        *dst++ = '\xEF';
        *dst++ = '\xBF';
        *dst++ = '\xBD';
        dst_left -= 3;
    }
    out.resize(out.size() - dst_left);
    return out;
}

// The charset a META element of the first bytes names, if any.
std::string meta_charset(std::string_view bytes)
{
    std::string head(bytes.substr(0, 4096));
    for (char& c : head)
        c = ascii_lower(c);
    std::size_t at = 0;
    while ((at = head.find("<meta", at)) != std::string::npos) {
        std::size_t close = head.find('>', at);
        std::string_view tag = std::string_view(head).substr(at, close == std::string::npos ? std::string::npos : close - at);
        std::size_t cs = tag.find("charset");
        if (cs != std::string_view::npos) {
            std::size_t i = cs + 7;
            while (i < tag.size() && (tag[i] == ' ' || tag[i] == '='))
                ++i;
            if (i < tag.size() && (tag[i] == '"' || tag[i] == '\''))
                ++i;
            std::size_t start = i;
            while (i < tag.size() && (std::isalnum(static_cast<unsigned char>(tag[i])) || tag[i] == '-' || tag[i] == '_' || tag[i] == ':' || tag[i] == '.'))
                ++i;
            if (i > start)
                return std::string(tag.substr(start, i - start));
        }
        at += 5;
    }
    return {};
}


bool charset_known(std::string_view charset)
{
    if (charset.empty())
        return false;
    iconv_converter cv(std::string(charset), "UTF-8");
    return cv.ok();
}

bool decode_page_text(std::string_view bytes, std::string* charset, std::string& out)
{
    auto report = [&](const char* name) {
        if (charset)
            *charset = name;
    };
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") {
        report("utf-8");
        out = to_utf8(bytes.substr(3), "UTF-8");
        return true;
    }
    if (bytes.substr(0, 2) == "\xFF\xFE") {
        report("utf-16");
        out = to_utf8(bytes.substr(2), "UTF-16LE");
        return true;
    }
    if (bytes.substr(0, 2) == "\xFE\xFF") {
        report("utf-16");
        out = to_utf8(bytes.substr(2), "UTF-16BE");
        return true;
    }
    std::string named = meta_charset(bytes);
    if (!named.empty() && named.find("utf-16") == std::string::npos && charset_known(named)) {
        if (charset)
            *charset = named;
        if (named == "utf-8" && valid_utf8(bytes))
            return false;
        out = to_utf8(bytes, named == "iso-8859-1" || named == "us-ascii" ? std::string("WINDOWS-1252") : named);
        return true;
    }
    if (valid_utf8(bytes)) {
        report("utf-8");
        return false;
    }
    report("windows-1252");
    out = to_utf8(bytes, "WINDOWS-1252");
    return true;
}

std::string decode_page_bytes(std::string_view bytes, std::string* charset)
{
    std::string out;
    if (!decode_page_text(bytes, charset, out))
        out.assign(bytes);
    return out;
}


}

// Page bytes in and out of UTF-8 through iconv; decoding is core's.

#include "html/headless/tree.h"

#include "core/markup/page_charset.h"

#include <cerrno>
#include <fstream>
#include <iconv.h>
#include <sstream>
#include <sys/stat.h>

namespace html::headless {

bool charset_known(std::string_view charset)
{
    return core::charset_known(charset);
}

bool decode_page_text(std::string_view bytes, std::string* charset, std::string& out)
{
    return core::decode_page_text(bytes, charset, out);
}

std::string decode_page_bytes(std::string_view bytes, std::string* charset)
{
    return core::decode_page_bytes(bytes, charset);
}

bool encode_text(std::string_view utf8, std::string_view charset, std::string& out)
{
    core::iconv_converter cv(std::string(charset), "UTF-8");
    if (!cv.ok())
        return false;
    out.clear();
    std::string buffer(utf8.size() * 2 + 16, '\0');
    char* in = const_cast<char*>(utf8.data());
    std::size_t in_left = utf8.size();
    while (in_left > 0) {
        char* dst = buffer.data();
        std::size_t dst_left = buffer.size();
        std::size_t r = iconv(cv.get(), &in, &in_left, &dst, &dst_left);
        out.append(buffer.data(), buffer.size() - dst_left);
        if (r != static_cast<std::size_t>(-1))
            break;
        if (errno == E2BIG)
            continue;
        // A character the charset lacks: written as a numeric reference.
        unsigned char c = static_cast<unsigned char>(*in);
        std::size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 1;
        n = std::min(n, in_left);
        char32_t code = n == 1 ? c : (c & (0x7F >> n));
        for (std::size_t k = 1; k < n; ++k)
            code = (code << 6) | (static_cast<unsigned char>(in[k]) & 0x3F);
        out += "&#" + std::to_string(static_cast<unsigned long>(code)) + ";";
        in += n;
        in_left -= n;
    }
    char* dst = buffer.data();
    std::size_t dst_left = buffer.size();
    iconv(cv.get(), nullptr, nullptr, &dst, &dst_left);
    out.append(buffer.data(), buffer.size() - dst_left);
    return true;
}

hresult read_whole_file(const std::string& path, std::string& out)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return platform::com::hresult_from_system_code(static_cast<std::uint32_t>(errno));
    if (S_ISDIR(st.st_mode))
        return platform::com::hresult_from_system_code(EISDIR);
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return platform::com::hresult_from_system_code(EACCES);
    std::ostringstream buffer;
    buffer << in.rdbuf();
    out = std::move(buffer).str();
    return S_OK;
}

}

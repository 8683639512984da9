#pragma once

// Page bytes of any charset a page may declare, read as UTF-8: one decoder for the editing
// component and the importer.

#include <iconv.h>
#include <string>
#include <string_view>

namespace core {

// An iconv conversion descriptor, closed when it goes.
class iconv_converter {
public:
    iconv_converter(const std::string& to, const std::string& from);
    ~iconv_converter();
    iconv_converter(const iconv_converter&) = delete;
    iconv_converter& operator=(const iconv_converter&) = delete;
    bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
    iconv_t get() const { return cd_; }

private:
    iconv_t cd_;
};

bool valid_utf8(std::string_view text);
// The whole text converted; bytes the source charset cannot read become U+FFFD. An unknown
// charset gives the bytes unchanged.
std::string to_utf8(std::string_view bytes, const std::string& charset);
// The charset a META element of the first 4096 bytes names (lower case), if any.
std::string meta_charset(std::string_view bytes);
bool charset_known(std::string_view charset);

// Page bytes to UTF-8: byte-order mark, META charset, valid UTF-8, else Windows-1252;
// `charset` gets the name used.
std::string decode_page_bytes(std::string_view bytes, std::string* charset = nullptr);
// The same without a copy of bytes that are the text already: false then, `out` untouched.
bool decode_page_text(std::string_view bytes, std::string* charset, std::string& out);

}

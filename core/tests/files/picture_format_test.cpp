#include "core/files/picture_format.h"

#include <gtest/gtest.h>

namespace {

using core::picture_kind;

TEST(PictureFormat, FirstBytesNameTheFormat)
{
    using namespace std::string_literals;
    struct row {
        std::string head;
        picture_kind kind;
    } rows[] = {
        {"GIF89a\x01\x00"s, picture_kind::gif},
        {"GIF87a"s, picture_kind::gif},
        {"\x89PNG\r\n\x1A\n\0\0\0\rIHDR"s, picture_kind::png},
        {"\xFF\xD8\xFF\xE0\0\x10JFIF"s, picture_kind::jpeg},
        {"BM\x36\0\0\0\0\0\0\0\x36\0\0\0"s, picture_kind::bmp},
        {"\0\0\1\0\1\0\x10\x10"s, picture_kind::ico},
        {"II*\0\x08\0\0\0"s, picture_kind::tiff},
        {"MM\0*\0\0\0\x08"s, picture_kind::tiff},
        {"RIFF\x24\0\0\0WEBPVP8 "s, picture_kind::webp},
        {"<svg xmlns=\"http://www.w3.org/2000/svg\"/>"s, picture_kind::svg},
        {"\xEF\xBB\xBF<?xml version=\"1.0\"?>\n<!-- drawn -->\n<!DOCTYPE svg>\n<SVG>"s, picture_kind::svg},
        {"<html><body>Error 404</body></html>"s, picture_kind::none},
        {"<svgx>"s, picture_kind::none},
        {"<?xml version=\"1.0\"?><svg"s, picture_kind::none},
        {"<!-- never closed <svg>"s, picture_kind::none},
        {"BM"s, picture_kind::none},
        {"\0\0\1\0\0\0"s, picture_kind::none},
        {"RIFF\x24\0\0\0WAVE"s, picture_kind::none},
        {""s, picture_kind::none},
        {"GIF8"s, picture_kind::none},
    };
    for (const auto& r : rows)
        EXPECT_EQ(core::picture_format(r.head), r.kind) << r.head;
}

}

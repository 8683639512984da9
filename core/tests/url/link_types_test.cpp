#include "core/url/link_types.h"

#include <gtest/gtest.h>

namespace {

TEST(LinkTypes, ATypeReplacesTheTablePrefix)
{
    struct row {
        const char* destination;
        const char* type;
        const char* result;
    } rows[] = {
        {"ftp://host/x", "https:", "https://host/x"},
        {"ftp://host/x", "news:", "news:host/x"},
        {"ftp://host/x", "(other)", "host/x"},
        {"ftp://host/x", "(OTHER)", "host/x"},
        {"", "http:", "http://"},
        {"mailto:someone", "http:", "http://someone"},
        {"HTTP://X/Ab", "mailto:", "mailto:X/Ab"},
        {"http://h", "gopher:", "gopher://h"},
        {"news:group", "telnet:", "telnet:group"},
        {"C:\\x.htm", "file:", "file://C:\\x.htm"},
        {"host/x", "wais:", "wais:host/x"},
    };
    for (const auto& r : rows)
        EXPECT_EQ(core::switch_link_type(r.destination, r.type), r.result) << r.destination << " " << r.type;
}

TEST(LinkTypes, PrefixesAreFoundWhateverTheirCase)
{
    EXPECT_EQ(core::link_prefix_of("HTTPS://h").index, 4);
    EXPECT_EQ(core::link_prefix_of("http://h").index, 3);
    EXPECT_EQ(core::link_prefix_of("Wais:x").index, 8);
    EXPECT_EQ(core::link_prefix_of("http:/h").index, -1);
    EXPECT_EQ(core::link_prefix_of("").index, -1);
}

}

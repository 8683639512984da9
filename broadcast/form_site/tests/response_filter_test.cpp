#include "broadcast/form_site/response_filter.h"

#include <gtest/gtest.h>

using broadcast::form_site::response_filter;

namespace {

struct filter_case {
    const char* name;
    std::string input;
    std::string expected;
    bool goes_on;
};

std::string line_of(std::size_t length)
{
    return std::string(length, 'x');
}

std::string whole(const std::string& input, bool& goes_on)
{
    response_filter filter;
    std::string out;
    goes_on = filter.feed(input, out);
    return out;
}

std::string byte_by_byte(const std::string& input, bool& goes_on)
{
    response_filter filter;
    std::string out;
    goes_on = true;
    for (char c : input) {
        if (!filter.feed(std::string_view(&c, 1), out)) {
            goes_on = false;
            break;
        }
    }
    return out;
}

}

TEST(ResponseFilter, WrapsLongLinesOutsideTagsAndOptions)
{
    const filter_case cases[] = {
        {"short lines stay", "a b\r\nc d\n", "a b\nc d\n", true},
        {"first blank past 80 wraps", line_of(81) + " next word", line_of(81) + "\nnext word", true},
        {"a tab wraps too", line_of(85) + "\tz", line_of(85) + "\nz", true},
        {"at 80 no wrap yet", line_of(80) + " y", line_of(80) + " y", true},
        {"no wrap inside a tag", "<p " + line_of(90) + " a=1>", "<p " + line_of(90) + " a=1>", true},
        {"wrap after a tag closes", "<p>" + line_of(90) + " z", "<p>" + line_of(90) + "\nz", true},
        {"none after <option>", "<OPTION>" + line_of(90) + " z", "<OPTION>" + line_of(90) + " z", true},
        {"line feed after </option>", "<option>a</Option>b", "<option>a</Option>\nb", true},
        {"cut at </html>", "<html>x</html>tail", "<html>x</html>", false},
        {"cut at </HTML>", "<HTML>x</HTML>\nmore", "<HTML>x</HTML>", false},
        {"CR dropped", "a\r\r\nb\r", "a\nb", true},
    };
    for (const auto& c : cases) {
        bool goes_on = false;
        EXPECT_EQ(whole(c.input, goes_on), c.expected) << c.name;
        EXPECT_EQ(goes_on, c.goes_on) << c.name;
        EXPECT_EQ(byte_by_byte(c.input, goes_on), c.expected) << c.name << " (byte by byte)";
        EXPECT_EQ(goes_on, c.goes_on) << c.name << " (byte by byte)";
    }
}

TEST(ResponseFilter, APageOverTheLimitEndsTheDownload)
{
    response_filter filter(80, 100);
    std::string out;
    EXPECT_TRUE(filter.feed(std::string(60, 'a'), out));
    EXPECT_FALSE(filter.feed(std::string(41, 'a'), out));
    EXPECT_TRUE(filter.over_limit());
    EXPECT_FALSE(filter.feed("a", out));
    EXPECT_EQ(out.size(), 60u);
}

TEST(ResponseFilter, TheDefaultLimitIsEightMegabytes)
{
    response_filter filter;
    std::string out;
    std::string chunk(1024 * 1024, 'a');
    for (int i = 0; i < 8; ++i)
        ASSERT_TRUE(filter.feed(chunk, out));
    EXPECT_FALSE(filter.feed("a", out));
    EXPECT_TRUE(filter.over_limit());
}

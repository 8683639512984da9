#include "broadcast/form_site/form_data.h"
#include "broadcast/form_site/driller/http_driller.h"
#include "platform/library/library_table.h"
#include "platform/testing/platform_probes.h"
#include "platform/testing/scripted_internet.h"
#include "platform/testing/temporary_folder.h"

#include <fstream>
#include <gtest/gtest.h>
#include <regex>
#include <sstream>

using namespace broadcast::form_site;

namespace {

struct form_case {
    const char* data;
    const char* expected;
};

}

TEST(FormData, UrlEncodedFieldsBecomeMultipartParts)
{
    const std::string boundary = "B";
    const form_case cases[] = {
        {"a=1&b=2", "--B\r\nContent-Disposition: form-data; name=\"a\"\r\n\r\n1\r\n"
                    "--B\r\nContent-Disposition: form-data; name=\"b\"\r\n\r\n2\r\n"},
        {"flag&x=1", "--B\r\nContent-Disposition: form-data; name=\"flag\"\r\n\r\n\r\n"
                     "--B\r\nContent-Disposition: form-data; name=\"x\"\r\n\r\n1\r\n"},
        {"x=1&trailing", "--B\r\nContent-Disposition: form-data; name=\"x\"\r\n\r\n1&trailing\r\n"},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(form_data_to_multipart(c.data, boundary), c.expected) << c.data;
}

TEST(FormData, CookiesWithAPathAreSentBack)
{
    const form_case cases[] = {
        {"HTTP/1.1 200 OK\r\nSet-Cookie: site=a; path=/\r\n\r\n", "Cookie: site=a; $Path=/\n"},
        {"HTTP/1.1 200 OK\r\nSet-Cookie: s=1; Path =/x\r\n\r\n", "Cookie: s=1; $Path=/x\n"},
        {"HTTP/1.1 200 OK\r\nSet-Cookie: id=1\r\n\r\n", ""},
        {"HTTP/1.1 200 OK\r\nSet-Cookie: a=1; path=/\r\nServer: x\r\nSet-Cookie: b=2; path=/b\r\n\r\n",
            "Cookie: a=1; $Path=/\nCookie: b=2; $Path=/b\n"},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(response_cookies(c.data), c.expected) << c.data;
}

TEST(FormData, PageTextKeepsTheWordsOfAPage)
{
    const struct {
        std::string data;
        std::string expected;
    } page_cases[] = {
        {"<html><body>one<BR>two<br>three</body></html>\n", "one\ntwo\nthree\n"},
        {"<table><tr><td>a</td><TD>b</TD></tr><TR><td>c</td></TR></table>\n", "a\tb\t\nc\t\n"},
        {"<html><head><title>T</title>\n<script>var x = 1;\n</script></head>\n<body>\nvisible\n</body></html>\n",
            "visible\n"},
        {"<p>a&nbsp;b&nbspc &amp; d</p>\n", "a b c & d\n"},
        {"first line\nsecond<br>\nthird<BR>last\n", "first line second\nthird\nlast\n"},
        {"<a\nhref=\"x\">link</a> text\n", "link text\n"},
        {"\n   \n", ""},
        {"a<script>x</script>b<SCRIPT>never closed\nc\n", "ab"},
        {"x < y\n" + std::string(5000, 'z') + ">\nlast<br>\n", "x   y " + std::string(5000, 'z') + "> last\n"},
        {"<" + std::string(5000, 'z') + ">\n", std::string(5000, 'z') + ">\n"},
    };
    for (const auto& c : page_cases)
        EXPECT_EQ(page_text(c.data), c.expected) << c.data;
}

TEST(FormData, BoundaryHasTwentySevenHyphensAndThreeNumbers)
{
    platform::testing::scripted_random random({1, 2, 3, 4, 5, 6});
    auto boundary = make_boundary(random);
    EXPECT_TRUE(std::regex_match(boundary, std::regex("-{27}[0-9]+"))) << boundary;
    EXPECT_EQ(boundary, "---------------------------" + std::to_string((1 << 7) | 2) + std::to_string((3 << 7) | 4)
            + std::to_string((5 << 7) | 6));
}

TEST(FormData, PercentEncodingLeavesPlainValuesAlone)
{
    EXPECT_EQ(percent_encode_component("demo_1.x-y~"), "demo_1.x-y~");
    EXPECT_EQ(percent_encode_component("p&s=w+d %#"), "p%26s%3Dw%2Bd%20%25%23");
    EXPECT_EQ(percent_encode_component("a\r\nb"), "a%0D%0Ab");
}

class UploadBody : public ::testing::Test {
protected:
    std::string write_file(const std::string& name, const std::string& bytes)
    {
        auto path = folder.path() + "/" + name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    std::string read(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream out;
        out << in.rdbuf();
        return out.str();
    }

    void SetUp() override
    {
        platform::inet::wininet::register_wininet(libraries, internet);
        wininet = std::make_unique<sync_wininet_interface>(libraries);
    }

    platform::testing::temporary_folder folder;
    std::shared_ptr<platform::testing::scripted_internet> internet
        = std::make_shared<platform::testing::scripted_internet>();
    platform::library::library_table libraries;
    std::unique_ptr<sync_wininet_interface> wininet;
    platform::testing::scripted_random random {{9, 9, 9, 9, 9, 9}};
};

TEST_F(UploadBody, LengthEqualsTheBytesWritten)
{
    http_file_upload_action upload(*wininet, libraries, random);
    upload.add_form_data("a=1&b=2");
    ASSERT_EQ(upload.add_file_part("file", write_file("one.htm", "<html>x</html>"), "text/html"), 0);
    ASSERT_EQ(upload.add_file_part("other", write_file("two.bin", std::string(5000, '\0')), "application/octet-stream"),
        0);
    auto body = folder.path() + "/body";
    ASSERT_EQ(upload.write_body(body), 0);
    auto text = read(body);
    EXPECT_EQ(text.size(), upload.body_length());
    EXPECT_EQ(text.rfind("--" + upload.boundary() + "--\r\n"), text.size() - upload.boundary().size() - 6);
    EXPECT_NE(text.find("name=\"file\"; filename=\"" + folder.path() + "/one.htm\"\r\nContent-Type: text/html\r\n\r\n"
                        "<html>x</html>\r\n"),
        std::string::npos);
}

TEST_F(UploadBody, AMissingFileWritesItsHeaderAndFails)
{
    http_file_upload_action upload(*wininet, libraries, random);
    auto missing = folder.path() + "/missing.htm";
    ASSERT_EQ(upload.add_file_part("file", missing, "text/html"), 0);
    auto body = folder.path() + "/body";
    EXPECT_EQ(upload.write_body(body), -1);
    auto text = read(body);
    EXPECT_EQ(text, "--" + upload.boundary() + "\r\nContent-Disposition: form-data; name=\"file\"; filename=\"" + missing
            + "\"\r\nContent-Type: text/html\r\n\r\n");
    // The missing file counts no bytes.
    EXPECT_EQ(upload.body_length(), text.size() + 2 + upload.boundary().size() + 6);
}

TEST_F(UploadBody, The129thPartIsRefused)
{
    http_file_upload_action upload(*wininet, libraries, random);
    auto path = write_file("f.txt", "x");
    for (std::size_t i = 0; i < http_file_upload_action::max_file_parts; ++i)
        ASSERT_EQ(upload.add_file_part("f" + std::to_string(i), path, "text/plain"), 0);
    EXPECT_EQ(upload.add_file_part("one too many", path, "text/plain"), -1);
}

TEST(FormData, PasswordsAreMaskedInDumps)
{
    EXPECT_EQ(masked_form_data("userid=demo&password=p%26s"), "userid=demo&password=*****");
    EXPECT_EQ(masked_form_data("password="), "password=*****");
    EXPECT_EQ(masked_form_data("demo=<form>"), "demo=<form>");
}

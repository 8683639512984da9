#include "broadcast/mime/mime_msg.h"
#include "platform/testing/file_contents.h"
#include "platform/testing/temporary_folder.h"

#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

using broadcast::CMIMEMsg;
using broadcast::mime::request_account;
using platform::testing::read_file;
using platform::testing::write_file;

class fixed_utc_clock final : public platform::utc_clock {
public:
    platform::utc_time now_utc() const override { return {2003, 7, 4, 9, 5, 3, 250}; }
};

class MimeFiles : public ::testing::Test {
protected:
    std::string add(const std::string& name, const std::string& bytes)
    {
        write_file(inputs.file(name), bytes);
        return inputs.file(name);
    }
    std::vector<std::string> temporary_files() const
    {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(temp.path()))
            names.push_back(entry.path().filename().string());
        return names;
    }
    // The python reader's lines for a written file.
    static std::vector<std::string> parsed_by_python(const std::string& path)
    {
        const std::string command = "/usr/bin/python3 '" MIME_READER "' '" + path + "'";
        std::FILE* pipe = ::popen(command.c_str(), "r");
        EXPECT_NE(pipe, nullptr);
        std::string out;
        char buffer[4096];
        for (std::size_t got; pipe && (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
            out.append(buffer, got);
        EXPECT_EQ(pipe ? ::pclose(pipe) : -1, 0) << out;
        std::vector<std::string> lines;
        for (std::size_t at = 0, end; (end = out.find('\n', at)) != std::string::npos; at = end + 1)
            lines.push_back(out.substr(at, end - at));
        return lines;
    }
    static std::string hex(const std::string& bytes)
    {
        static const char digits[] = "0123456789abcdef";
        std::string out;
        for (unsigned char c : bytes)
            out += {digits[c >> 4], digits[c & 15]};
        return out;
    }

    fixed_utc_clock clock;
    platform::testing::temporary_folder inputs;
    platform::testing::temporary_folder temp;
    request_account account {"ann", "secret", "3.4.0.1"};
};

}

TEST_F(MimeFiles, RequestFileMatchesItsGoldenAndIsPrivate)
{
    std::string file;
    {
        CMIMEMsg message(clock, temp.path());
        message.AddFile(add("job.tar.gz", "abc"));
        ASSERT_EQ(message.CreateHTTPRequestFile(account), 1) << message.last_error();
        file = message.GetTmpMessageFile();
        EXPECT_EQ(std::filesystem::path(file).parent_path(), temp.path());
        EXPECT_EQ(std::filesystem::path(file).filename().string().substr(0, 3), "msg");
        struct stat info {};
        ASSERT_EQ(::stat(file.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0600u);
        EXPECT_EQ(read_file(file),
            "Content-Type: multipart/mixed; boundary=\"MIMEMsg200374953250\"\r\n"
            "\r\n"
            "--MIMEMsg200374953250\r\n"
            "Content-Type: text/xml; charset=\"utf-8\"; name=\"xml.txt\"\r\n"
            "\r\n"
            "<?xml version=\"1.0\"?>\r\n"
            "<HTTP_REQUEST>\r\n"
            " <HEADER>\r\n"
            "  <PROTOCOL name=\"QBHTTP\" version=\"1.0\"/>\r\n"
            "  <USER_AGENT name=\"VELTRANE WIZARD\" version=\"3.4.0.1\"/>\r\n"
            "  <USER name=\"ann\" password=\"secret\"/>\r\n"
            "  <ACTION>SUBMIT</ACTION>\r\n"
            " </HEADER>\r\n"
            "</HTTP_REQUEST>\r\n"
            "\r\n"
            "--MIMEMsg200374953250\r\n"
            "Content-Type: application/gzip; name=\"job.tar.gz\"\r\n"
            "Content-Transfer-Encoding: base64\r\n"
            "\r\n"
            "YWJj\r\n"
            "\r\n"
            "--MIMEMsg200374953250--\r\n");
    }
    EXPECT_FALSE(std::filesystem::exists(file)) << "the message deletes its file";
}

TEST_F(MimeFiles, MailFileMatchesItsGolden)
{
    CMIMEMsg message(clock, temp.path());
    message.SetTo("jobs@gateway.test");
    message.AddFile(add("command.txt", "abc"));
    message.AddFile(add("empty.htm", ""));
    ASSERT_EQ(message.CreateTmpMessageFile(), 1) << message.last_error();
    std::string from;
    EXPECT_FALSE(message.GetFrom(from));
    EXPECT_EQ(read_file(message.GetTmpMessageFile()),
        "From: <>\r\n"
        "To: <jobs@gateway.test>\r\n"
        "MIME-Version: 1.0\r\n"
        "Content-Type: multipart/mixed;\r\n"
        "\tboundary=\"MIMEMsg200374953250\"\r\n"
        "\r\n"
        "--MIMEMsg200374953250\r\n"
        "Content-Type: application/octet-stream;\r\n"
        "\tname=\"command.txt\"\r\n"
        "Content-Transfer-Encoding: base64\r\n"
        "Content-Disposition: attachment;\r\n"
        "\tfilename=\"command.txt\"\r\n"
        "\r\n"
        "YWJj\r\n"
        "\r\n"
        "--MIMEMsg200374953250\r\n"
        "Content-Type: application/octet-stream;\r\n"
        "\tname=\"empty.htm\"\r\n"
        "Content-Transfer-Encoding: base64\r\n"
        "Content-Disposition: attachment;\r\n"
        "\tfilename=\"empty.htm\"\r\n"
        "\r\n"
        "\r\n"
        "--MIMEMsg200374953250--\r\n"
        "\r\n");
}

TEST_F(MimeFiles, FailedWritesLeaveNoFile)
{
    struct row {
        const char* what;
        std::vector<std::string> files;
        bool http;
        request_account account;
    };
    const std::string archive = add("job.tar.gz", "abc");
    const std::string gone = add("gone.tar.gz", "abc");
    std::filesystem::remove(gone);
    const std::string crlf_name = add("bad\r\nX-Injected: 1.gz", "abc");
    const row rows[] = {
        {"no file", {}, true, account},
        {"two files", {archive, archive}, true, account},
        {"a file removed after AddFile", {gone}, true, account},
        {"a removed file among the mail's", {archive, gone}, false, account},
        {"a line break in a file name", {crlf_name}, true, account},
        {"a line break in a mail file name", {crlf_name}, false, account},
        {"a NUL in the password", {archive}, true, {"ann", std::string("a\0b", 3), "1.0.0.0"}},
        {"a control character in the login", {archive}, true, {"a\x01", "p", "1.0.0.0"}},
        {"invalid UTF-8 in the password", {archive}, true, {"ann", "\xC3\x28", "1.0.0.0"}},
        {"an overlong UTF-8 form", {archive}, true, {"ann", "\xC0\xAF", "1.0.0.0"}},
    };
    for (const auto& r : rows) {
        CMIMEMsg message(clock, temp.path());
        for (const auto& file : r.files)
            message.AddFile(file);
        EXPECT_EQ(r.http ? message.CreateHTTPRequestFile(r.account) : message.CreateTmpMessageFile(), 0) << r.what;
        EXPECT_FALSE(message.last_error().empty()) << r.what;
        EXPECT_EQ(message.GetTmpMessageFile(), "") << r.what;
        EXPECT_TRUE(temporary_files().empty()) << r.what;
    }
}

TEST_F(MimeFiles, AnotherWriteReplacesTheEarlierFile)
{
    CMIMEMsg message(clock, temp.path());
    message.AddFile(add("job.tar.gz", "abc"));
    ASSERT_EQ(message.CreateHTTPRequestFile(account), 1);
    const std::string first = message.GetTmpMessageFile();
    ASSERT_EQ(message.CreateHTTPRequestFile(account), 1);
    EXPECT_FALSE(std::filesystem::exists(first));
    EXPECT_EQ(temporary_files().size(), 1u);
}

TEST_F(MimeFiles, PythonReadsBackTheAccountAndTheArchive)
{
    std::string archive(200000, '\0');
    for (std::size_t i = 0; i < archive.size(); ++i)
        archive[i] = static_cast<char>((i * 131u) >> 3);
    const request_account accounts[] = {
        {"a\"b<c&d'e", "pa\tss\r\nword&amp;", "3.4.0.1"},
        {"--MIMEMsg200374953250", "--MIMEMsg200374953250--", "3.4.0.1"},
        {"J\xC3\xBCrgen \xE2\x82\xAC", "\xF0\x9F\x94\x91 key\"/><X a=\"", "3.4.0.1"},
    };
    for (const auto& a : accounts) {
        CMIMEMsg message(clock, temp.path());
        message.AddFile(add("my \"job\" \\ 1.tar.gz", archive));
        ASSERT_EQ(message.CreateHTTPRequestFile(a), 1) << message.last_error();
        const auto lines = parsed_by_python(message.GetTmpMessageFile());
        ASSERT_EQ(lines.size(), 5u) << a.login;
        EXPECT_EQ(lines[0], "xml");
        EXPECT_EQ(lines[1], hex(a.login));
        EXPECT_EQ(lines[2], hex(a.password));
        EXPECT_EQ(lines[3], "my \"job\" \\ 1.tar.gz");
        EXPECT_EQ(lines[4], hex(archive));
    }
}

TEST_F(MimeFiles, PythonReadsEveryMailAttachment)
{
    CMIMEMsg message(clock, temp.path());
    message.SetTo("jobs@gateway.test");
    const std::string big(57 * 1200 + 1, 'x');
    message.AddFile(add("command.txt", "user ann\r\n"));
    message.AddFile(add("empty.htm", ""));
    message.AddFile(add("big.bin", big));
    ASSERT_EQ(message.CreateTmpMessageFile(), 1) << message.last_error();
    const auto lines = parsed_by_python(message.GetTmpMessageFile());
    const std::vector<std::string> expected {"command.txt", hex("user ann\r\n"), "empty.htm", "", "big.bin", hex(big)};
    EXPECT_EQ(lines, expected);
}

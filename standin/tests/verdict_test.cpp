#include "standin/fixture/quorbis_stand_in.h"
#include "standin/tests/package_maker.h"
#include "standin/tests/wire_client.h"

#include <curl/curl.h>
#include <gtest/gtest.h>

using namespace standin::testing;

namespace {

const std::string user = "demo";
const std::string password = "secret";

package_spec valid_package(bool user_line)
{
    return {command_file(user_line, user, password), message_files(), {}, {}, false};
}

std::vector<std::string> lines_of(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        auto end = text.find('\n', start);
        lines.push_back(text.substr(start, end - start));
        start = end == std::string::npos ? text.size() : end + 1;
    }
    return lines;
}

// The verdict of a record holds exactly one problem line, and it says what is expected.
void expect_one_problem(const standin::record& record, const std::string& expected, const std::string& label)
{
    auto lines = lines_of(record.verdict());
    ASSERT_EQ(lines.size(), 1u) << label << ":\n" << record.verdict();
    EXPECT_NE(lines[0].find(expected), std::string::npos) << label << ": " << lines[0];
}

}

TEST(Verdicts, AValidPackageIsJob1001ByTheGateway)
{
    standin::QuorbisStandIn stand_in;
    auto archive = make_archive(valid_package(true));
    auto reply = http_send(gateway_request(stand_in.http_broadcast_url(), gateway_body(archive, user, password)));
    ASSERT_EQ(reply.curl_code, CURLE_OK) << reply.error;
    EXPECT_EQ(reply.status, 200);
    EXPECT_EQ(reply.body, "<HTTP_REPLY><STATUS_NUMBER>0</STATUS_NUMBER><JOB_NUMBER>1001</JOB_NUMBER></HTTP_REPLY>");
    stand_in.wait_for(1);
    auto records = stand_in.records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].service, "gateway");
    EXPECT_EQ(records[0].verdict(), "ok\n");
    EXPECT_EQ(records[0].file("package/command.txt"), command_file(true, user, password));
    EXPECT_EQ(records[0].file("package/notes one.txt"), "Notes.\r\n");
}

TEST(Verdicts, AValidPackageIsJob1001ByFtp)
{
    standin::QuorbisStandIn stand_in;
    auto result = ftp_upload(stand_in.port("ftp"), user, password, "job.tar.gz", make_archive(valid_package(false)));
    EXPECT_EQ(result.curl_code, CURLE_OK);
    EXPECT_EQ(result.last_reply(), "226 Transfer complete. JOB = 1001");
    stand_in.wait_for(1);
    EXPECT_EQ(stand_in.records().at(0).verdict(), "ok\n");
}

TEST(Verdicts, AValidPackageIsAcceptedBySmtp)
{
    standin::QuorbisStandIn stand_in;
    named_files files {{"command.txt", command_file(true, user, password)}};
    for (const auto& file : message_files())
        files.push_back(file);
    auto result = smtp_send(stand_in.port("smtp"), "", "submit@standin.test", mail_message(files, "submit@standin.test"));
    EXPECT_EQ(result.curl_code, CURLE_OK);
    ASSERT_FALSE(result.replies.empty());
    stand_in.wait_for(1);
    auto record = stand_in.records().at(0);
    EXPECT_EQ(record.verdict(), "ok\n");
    EXPECT_EQ(record.file("reply.bin").substr(0, 4), "250 ");
    EXPECT_EQ(record.file("package/body.htm"), message_files()[0].second);
}

TEST(Verdicts, EachBrokenGatewayPackageGetsItsOneProblem)
{
    struct row {
        std::string label;
        package_spec spec;
        std::string expected;
        std::size_t line_length = 76;
    };
    auto valid = valid_package(true);
    auto with_files = [&](named_files files, std::string command) {
        return package_spec {std::move(command), std::move(files), {}, {}, false};
    };
    auto command = valid.command;
    std::string crlf;
    for (char c : command)
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    named_files only_body {message_files()[0]};
    named_files stray = message_files();
    stray.push_back({"stray.txt", "x"});
    named_files nested {message_files()[0], {"sub/notes.txt", "x"}};
    named_files outside {message_files()[0], {"../outside.txt", "x"}};
    auto replace = [](std::string text, const std::string& from, const std::string& to) {
        return text.replace(text.find(from), from.size(), to);
    };
    package_spec link = with_files({message_files()[0]}, replace(command, "notes one.txt", "link.htm"));
    link.links = {{"link.htm", "body.htm"}};
    package_spec reordered = valid;
    reordered.tar_names = {"body.htm", "command.txt", "notes one.txt"};
    package_spec two_members = valid;
    two_members.second_zip_member = true;

    named_files with_pull = message_files();
    with_pull.push_back({"price list.pdf", "%PDF"});
    auto pull_line = [&](const std::string& line) { return with_files(with_pull, command + line); };

    std::vector<row> rows {
        {"a pull line with one blank too few", pull_line("pull price list.pdf autopull yes PULL_SECURITY secure \n"),
            "the pull line's blanks are wrong"},
        {"an unreadable delivery time", with_files(message_files(), command + "future_delivery 2004-03-05 14:30\n"),
            "future_delivery '2004-03-05 14:30' is not read by"},
        {"an unknown keyword", with_files(message_files(), command + "colour red\n"), "unknown line: colour red"},
        {"command.txt not first", reordered, "command.txt is not the first member"},
        {"a named file missing", with_files(only_body, command), "the named file notes one.txt is not in the package"},
        {"an unnamed member", with_files(stray, command), "the member stray.txt is named by no line"},
        {"CR LF lines", with_files(message_files(), crlf), "carriage returns"},
        {"no user line", valid_package(false), "the second line is not a user line"},
        {"a member with /", with_files(nested, replace(command, "notes one.txt", "sub/notes.txt")),
            "sub/notes.txt is not a plain file name"},
        {"a member with ..", with_files(outside, replace(command, "notes one.txt", "../outside.txt")),
            "../outside.txt is not a plain file name"},
        {"a symbolic link", link, "link.htm is a link"},
        {"two zip members", two_members, "holds 2 members, not one"},
        {"a 77-character base64 line", valid, "base64 line 1 has 77 characters", 77},
    };
    standin::QuorbisStandIn stand_in;
    int count = 0;
    for (const auto& r : rows) {
        auto body = gateway_body(make_archive(r.spec), user, password, r.line_length);
        auto reply = http_send(gateway_request(stand_in.http_broadcast_url(), body));
        EXPECT_EQ(reply.status, 200) << r.label;
        EXPECT_NE(reply.body.find("<STATUS_NUMBER>1</STATUS_NUMBER><STATUS_DESCRIPTION>"), std::string::npos)
            << r.label << ": " << reply.body;
        stand_in.wait_for(++count);
        expect_one_problem(stand_in.records().back(), r.expected, r.label);
    }
    auto every_option = pull_line("pull price list.pdf autopull yes  PULL_SECURITY secure  PASSWORD_NEEDED yes \n"
                                  "future_delivery March 05 2004 02 30 PM\n");
    http_send(gateway_request(stand_in.http_broadcast_url(), gateway_body(make_archive(every_option), user, password)));
    stand_in.wait_for(++count);
    EXPECT_EQ(stand_in.records().back().verdict(), "ok\n");

    auto empty = http_send(gateway_request(stand_in.http_broadcast_url(), gateway_body("", user, password)));
    EXPECT_EQ(empty.status, 200);
    stand_in.wait_for(++count);
    expect_one_problem(stand_in.records().back(), "the upload is empty", "an empty upload");
}

TEST(Verdicts, AnAccountWithMarkupCharactersMustBeEscapedInTheXml)
{
    standin::stand_in_options options;
    options.password = "pa<ss&";
    standin::QuorbisStandIn stand_in(options);
    auto archive = make_archive({command_file(true, user, options.password), message_files(), {}, {}, false});
    auto raw = http_send(gateway_request(stand_in.http_broadcast_url(), gateway_body(archive, user, options.password)));
    EXPECT_NE(raw.body.find("<STATUS_NUMBER>1</STATUS_NUMBER>"), std::string::npos) << raw.body;
    stand_in.wait_for(1);
    expect_one_problem(stand_in.records().back(), "the XML part is not well-formed", "a raw < in the password");

    auto escaped = http_send(gateway_request(stand_in.http_broadcast_url(), gateway_body(archive, user, "pa&lt;ss&amp;")));
    EXPECT_NE(escaped.body.find("<JOB_NUMBER>1001</JOB_NUMBER>"), std::string::npos) << escaped.body;
    stand_in.wait_for(2);
    EXPECT_EQ(stand_in.records().back().verdict(), "ok\n");
}

TEST(Verdicts, FtpRefusesAUserLineAndAWrongAccount)
{
    standin::QuorbisStandIn stand_in;
    auto with_user = ftp_upload(stand_in.port("ftp"), user, password, "job.tar.gz", make_archive(valid_package(true)));
    EXPECT_EQ(with_user.last_reply().substr(0, 4), "552 ");
    stand_in.wait_for(1);
    expect_one_problem(stand_in.records().back(), "a user line in an FTP package", "user line on FTP");

    auto wrong = ftp_upload(stand_in.port("ftp"), user, "wrong", "job.tar.gz", make_archive(valid_package(false)));
    EXPECT_EQ(wrong.curl_code, CURLE_LOGIN_DENIED);
    EXPECT_EQ(wrong.last_reply().substr(0, 4), "530 ");
}

TEST(Verdicts, MailedPackagesAreCheckedByAttachment)
{
    struct row {
        std::string label;
        named_files files;
        std::string expected;
    };
    named_files valid {{"command.txt", command_file(true, user, password)}};
    for (const auto& file : message_files())
        valid.push_back(file);
    named_files wrong_account = valid;
    wrong_account[0].second = command_file(true, user, "other");
    named_files reordered {valid[1], valid[0], valid[2]};
    named_files twice = valid;
    twice.push_back(valid[2]);
    std::vector<row> rows {
        {"another account", wrong_account, "the user line names another account"},
        {"command.txt not first", reordered, "command.txt is not the first attachment"},
        {"a name twice", twice, "the attachment notes one.txt appears 2 times"},
    };
    standin::QuorbisStandIn stand_in;
    int count = 0;
    for (const auto& r : rows) {
        auto result = smtp_send(stand_in.port("smtp"), "", "submit@standin.test", mail_message(r.files, "submit@standin.test"));
        EXPECT_NE(result.curl_code, CURLE_OK) << r.label;
        EXPECT_EQ(result.last_reply().substr(0, 4), "554 ") << r.label;
        stand_in.wait_for(++count);
        expect_one_problem(stand_in.records().back(), r.expected, r.label);
    }
}

#include "core/mail/mail_compose.h"
#include "core/util/base64.h"

#include <gtest/gtest.h>

#include <sstream>

namespace core {
namespace {

namespace mail = platform::mail;

std::tm december_tenth(long offset_seconds = 0)
{
    std::tm when {};
    when.tm_year = 2026 - 1900;
    when.tm_mon = 11;
    when.tm_mday = 10;
    when.tm_hour = 14;
    when.tm_min = 3;
    when.tm_sec = 5;
    when.tm_gmtoff = offset_seconds;
    return when;
}

mail::mapi_message to_jobs(std::string subject = "Job")
{
    mail::mapi_message message;
    message.subject = std::move(subject);
    message.recipients.push_back({0, mail::MAPI_TO, "jobs@submit.example", "jobs@submit.example", {}});
    return message;
}

std::vector<std::string> lines_of(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// The header block, continuation lines joined to their field.
std::vector<std::string> header_fields(const std::string& text)
{
    std::vector<std::string> fields;
    for (const auto& line : lines_of(text.substr(0, text.find("\n\n")))) {
        if (!line.empty() && line[0] == ' ')
            fields.back() += line;
        else
            fields.push_back(line);
    }
    return fields;
}

void expect_sound_lines(const std::string& text)
{
    EXPECT_EQ(text.find('\r'), std::string::npos);
    for (const auto& line : lines_of(text)) {
        EXPECT_LE(line.size(), 998u);
        EXPECT_TRUE(line.empty() || line[0] != '.') << line;
    }
}

TEST(base64_encode_lines, encodes_in_whole_lines)
{
    EXPECT_EQ(base64_encode_lines(""), "");
    EXPECT_EQ(base64_encode_lines("f"), "Zg==\r\n");
    EXPECT_EQ(base64_encode_lines("fo", 76, "\n"), "Zm8=\n");
    EXPECT_EQ(base64_encode_lines("foobar", 4, "\n"), "Zm9v\nYmFy\n");
    EXPECT_EQ(base64_encode_lines("foobar", 0, ""), "Zm9vYmFy");
    std::string long_data(57 * 3, '\xff');
    auto lines = lines_of(base64_encode_lines(long_data, 76, "\n"));
    ASSERT_EQ(lines.size(), 3u);
    for (const auto& line : lines)
        EXPECT_EQ(line, std::string(76, '/'));
}

TEST(mail_date, names_the_weekday_and_the_offset)
{
    EXPECT_EQ(mail_date(december_tenth()), "Thu, 10 Dec 2026 14:03:05 +0000");
    EXPECT_EQ(mail_date(december_tenth(-(5 * 3600 + 30 * 60))), "Thu, 10 Dec 2026 14:03:05 -0530");
    std::tm leap = december_tenth(3600);
    leap.tm_year = 2024 - 1900;
    leap.tm_mon = 1;
    leap.tm_mday = 29;
    EXPECT_EQ(mail_date(leap), "Thu, 29 Feb 2024 14:03:05 +0100");
}

TEST(compose_mail, writes_headers_note_and_attachments)
{
    auto message = to_jobs();
    message.note_text = "Hello";
    message.originator = mail::mapi_recipient {0, mail::MAPI_ORIG, "Ann", "ann@example.org", {}};
    message.recipients.push_back({0, mail::MAPI_CC, "Bo \"B\" \\", "bo@example.org", {}});
    message.recipients.push_back({0, mail::MAPI_BCC, "", "hidden@example.org", {}});
    auto composed = compose_mail(message, {{"command.txt", "user x\n"}}, december_tenth());
    ASSERT_EQ(composed.code, mail::SUCCESS_SUCCESS);
    EXPECT_EQ(composed.text,
        "Date: Thu, 10 Dec 2026 14:03:05 +0000\n"
        "From: \"Ann\"\n <ann@example.org>\n"
        "To: <jobs@submit.example>\n"
        "Cc: \"Bo \\\"B\\\" \\\\\"\n <bo@example.org>\n"
        "Bcc: <hidden@example.org>\n"
        "Subject: Job\n"
        "MIME-Version: 1.0\n"
        "Content-Type: multipart/mixed;\n boundary=\"=_talverin_part\"\n"
        "\n"
        "--=_talverin_part\n"
        "Content-Type: text/plain; charset=UTF-8\nContent-Transfer-Encoding: base64\n\n"
        "SGVsbG8=\n"
        "--=_talverin_part\n"
        "Content-Type: application/octet-stream;\n name=\"command.txt\"\n"
        "Content-Transfer-Encoding: base64\n"
        "Content-Disposition: attachment;\n filename=\"command.txt\"\n\n"
        "dXNlciB4Cg==\n"
        "--=_talverin_part--\n");
}

TEST(compose_mail, subjects_stay_one_header_field)
{
    const std::string euro = "\xe2\x82\xac";
    struct row {
        std::string subject;
        std::string field;
    };
    const row rows[] = {
        {"Job\r\nBcc: victim@example.org", "Subject: Job  Bcc: victim@example.org"},
        {"Preis 5" + euro, "Subject: =?UTF-8?B?" + base64_encode_lines("Preis 5" + euro, 0, "") + "?="},
        {"\n.\n", "Subject:  . "},
    };
    for (const auto& each : rows) {
        auto composed = compose_mail(to_jobs(each.subject), {}, december_tenth());
        ASSERT_EQ(composed.code, mail::SUCCESS_SUCCESS);
        auto fields = header_fields(composed.text);
        ASSERT_EQ(std::count_if(fields.begin(), fields.end(), [](const std::string& f) { return f.rfind("Subject:", 0) == 0; }), 1);
        EXPECT_NE(std::find(fields.begin(), fields.end(), each.field), fields.end()) << each.field;
        EXPECT_EQ(std::count_if(fields.begin(), fields.end(), [](const std::string& f) { return f.rfind("Bcc:", 0) == 0; }), 0);
        expect_sound_lines(composed.text);
    }
    // A long non-ASCII subject folds into several words, none split inside a character.
    std::string long_subject;
    for (int i = 0; i < 400; ++i)
        long_subject += euro;
    auto composed = compose_mail(to_jobs(long_subject), {}, december_tenth());
    expect_sound_lines(composed.text);
    std::string decoded_words = composed.text.substr(composed.text.find("Subject: ") + 9);
    decoded_words = decoded_words.substr(0, decoded_words.find("\nMIME-Version"));
    EXPECT_GT(std::count(decoded_words.begin(), decoded_words.end(), '\n'), 10);
}

TEST(compose_mail, file_names_are_quoted_or_encoded)
{
    struct row {
        std::string name;
        std::string parameter;
    };
    const row rows[] = {
        {"a \"b\" \\c.txt", "filename=\"a \\\"b\\\" \\\\c.txt\""},
        {"r\xc3\xa9sum\xc3\xa9.pdf", "filename*0*=UTF-8''r%C3%A9sum%C3%A9.pdf"},
        {"evil\r\nContent-Type: text/html", "filename=\"evil  Content-Type: text/html\""},
    };
    for (const auto& each : rows) {
        auto composed = compose_mail(to_jobs(), {{each.name, "x"}}, december_tenth());
        ASSERT_EQ(composed.code, mail::SUCCESS_SUCCESS);
        EXPECT_NE(composed.text.find("Content-Disposition: attachment;\n " + each.parameter + "\n"), std::string::npos)
            << composed.text;
        expect_sound_lines(composed.text);
    }
}

TEST(compose_mail, attachments_travel_unchanged_in_base64)
{
    std::string bytes;
    for (int i = 0; i < 5000; ++i)
        bytes += static_cast<char>(i * 7);
    bytes += "\n.\n";
    auto composed = compose_mail(to_jobs(), {{"data.bin", bytes}}, december_tenth());
    ASSERT_EQ(composed.code, mail::SUCCESS_SUCCESS);
    EXPECT_NE(composed.text.find(base64_encode_lines(bytes, 76, "\n")), std::string::npos);
    expect_sound_lines(composed.text);
}

TEST(compose_mail, refuses_unusable_recipients)
{
    struct row {
        std::vector<mail::mapi_recipient> recipients;
        std::uint32_t code;
    };
    auto to = [](std::string address, std::uint32_t recip_class = mail::MAPI_TO) {
        return mail::mapi_recipient {0, recip_class, "", std::move(address), {}};
    };
    const row rows[] = {
        {{}, mail::MAPI_E_INVALID_RECIPS},
        {{to("a@b", 0)}, mail::MAPI_E_BAD_RECIPTYPE},
        {{to("a@b", 4)}, mail::MAPI_E_BAD_RECIPTYPE},
        {{to("a@b\r\nBcc: x@y")}, mail::MAPI_E_UNKNOWN_RECIPIENT},
        {{to("a@b, c@d")}, mail::MAPI_E_UNKNOWN_RECIPIENT},
        {{to("-oQ/tmp@b")}, mail::MAPI_E_UNKNOWN_RECIPIENT},
        {{to("<a@b>")}, mail::MAPI_E_UNKNOWN_RECIPIENT},
        {{to("nobody")}, mail::MAPI_E_UNKNOWN_RECIPIENT},
        {{to("a@b"), to("c@d", mail::MAPI_CC)}, mail::SUCCESS_SUCCESS},
    };
    for (const auto& each : rows) {
        auto message = to_jobs();
        message.recipients = each.recipients;
        EXPECT_EQ(compose_mail(message, {}, december_tenth()).code, each.code);
    }
}

}
}

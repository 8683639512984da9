#include "broadcast/http/http_reply.h"

#include <gtest/gtest.h>

TEST(HttpReply, ReadsTheGatewaysElements)
{
    struct row {
        const char* what;
        std::string reply;
        bool recognised;
        int status;
        const char* text;
    };
    const row rows[] = {
        {"the usual reply",
            "<?xml version=\"1.0\"?>\r\n<HTTP_REPLY>\r\n <STATUS_NUMBER>0</STATUS_NUMBER>\r\n"
            " <STATUS_DESCRIPTION>OK</STATUS_DESCRIPTION>\r\n <JOB_NUMBER>4711</JOB_NUMBER>\r\n</HTTP_REPLY>\r\n",
            true, 0, "4711"},
        {"lower-case names", "<http_reply><job_number>12</job_number></http_reply>", true, 0, "12"},
        {"whitespace kept", "<HTTP_REPLY><JOB_NUMBER> 12 \n</JOB_NUMBER></HTTP_REPLY>", true, 0, " 12 \n"},
        {"no entity decoding", "<HTTP_REPLY><JOB_NUMBER>1&amp;2</JOB_NUMBER></HTTP_REPLY>", true, 0, "1&amp;2"},
        {"text outside the reply ignored",
            "<JOB_NUMBER>99</JOB_NUMBER><HTTP_REPLY><JOB_NUMBER>7</JOB_NUMBER></HTTP_REPLY><JOB_NUMBER>98</JOB_NUMBER>",
            true, 0, "7"},
        {"a failure status gives its description",
            "<HTTP_REPLY><STATUS_NUMBER> 3</STATUS_NUMBER><STATUS_DESCRIPTION>Bad login</STATUS_DESCRIPTION>"
            "<JOB_NUMBER>5</JOB_NUMBER></HTTP_REPLY>",
            true, 3, "Bad login"},
        {"a negative status", "<HTTP_REPLY><STATUS_NUMBER>-2</STATUS_NUMBER></HTTP_REPLY>", true, -2, ""},
        {"a huge status stays a failure", "<HTTP_REPLY><STATUS_NUMBER>99999999999999</STATUS_NUMBER></HTTP_REPLY>",
            true, 2147483647, ""},
        {"status 0 with an empty job number succeeds",
            "<HTTP_REPLY><STATUS_NUMBER>0</STATUS_NUMBER><JOB_NUMBER></JOB_NUMBER></HTTP_REPLY>", true, 0, ""},
        {"job number alone", "<HTTP_REPLY><JOB_NUMBER>4711</JOB_NUMBER></HTTP_REPLY>", true, 0, "4711"},
        {"no HTTP_REPLY: a portal's page", "<html><body><JOB_NUMBER>1</JOB_NUMBER>Welcome</body></html>", false, 0,
            ""},
        {"a status without digits", "<HTTP_REPLY><STATUS_NUMBER>abc</STATUS_NUMBER><JOB_NUMBER>1</JOB_NUMBER></HTTP_REPLY>",
            false, 0, ""},
        {"an empty status element", "<HTTP_REPLY><STATUS_NUMBER></STATUS_NUMBER><JOB_NUMBER>1</JOB_NUMBER></HTTP_REPLY>",
            false, 0, ""},
        {"HTTP_REPLY alone", "<HTTP_REPLY></HTTP_REPLY>", false, 0, ""},
        {"an empty job number without status", "<HTTP_REPLY><JOB_NUMBER></JOB_NUMBER></HTTP_REPLY>", false, 0, ""},
        {"empty text", "", false, 0, ""},
        {"cut inside a tag", "<HTTP_REPLY><JOB_NUMBER>4711</JOB_NUMB", true, 0, "4711"},
        {"cut inside the first tag", "<HTTP_REP", false, 0, ""},
    };
    for (const auto& r : rows) {
        const auto reply = broadcast::parse_http_reply(r.reply);
        EXPECT_EQ(reply.recognised, r.recognised) << r.what;
        EXPECT_EQ(reply.status, r.status) << r.what;
        EXPECT_EQ(reply.text, r.text) << r.what;
    }
}

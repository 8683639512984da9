#include "platform/ftp/ftp_session.h"
#include "platform/testing/file_contents.h"
#include "platform/testing/temporary_folder.h"
#include "standin/fixture/quorbis_stand_in.h"

#include <gtest/gtest.h>

namespace platform::ftp {
namespace {

class FtpSession : public ::testing::Test {
protected:
    ftp_endpoint endpoint(const std::string& password = "secret") const
    {
        return {"127.0.0.1", stand_in.port("ftp"), "demo", password};
    }
    std::string archive(std::size_t size)
    {
        std::string bytes(size, '\0');
        for (std::size_t i = 0; i < size; ++i)
            bytes[i] = static_cast<char>(i * 7 + 3);
        platform::testing::write_file(folder.file("job.tar.gz"), bytes);
        return bytes;
    }
    static std::size_t count(const std::string& text, const std::string& word)
    {
        std::size_t n = 0;
        for (auto at = text.find(word); at != std::string::npos; at = text.find(word, at + 1))
            ++n;
        return n;
    }

    standin::QuorbisStandIn stand_in;
    platform::testing::temporary_folder folder;
};

TEST_F(FtpSession, UploadsOnTheConnectionItLoggedInOnAndReturnsTheFinalReply)
{
    stand_in.script("ftp", {{"reply", "226-Thanks.\r\n JOB = 4711\r\n226 Done."}});
    const std::string bytes = archive(300000);
    auto session = make_curl_ftp_session(endpoint());
    ASSERT_TRUE(session->login().transferred());
    std::uint64_t last_done = 0;
    std::uint64_t last_total = 0;
    const ftp_result result = session->upload(folder.file("job.tar.gz"), "job.tar.gz",
        [&](std::uint64_t done, std::uint64_t total) {
            last_done = done;
            last_total = total;
            return true;
        });
    EXPECT_EQ(result.curl_code, 0) << result.error;
    EXPECT_EQ(result.reply_code, 226);
    EXPECT_EQ(result.reply, "226-Thanks.\r\n JOB = 4711\r\n226 Done.");
    EXPECT_EQ(last_done, bytes.size());
    EXPECT_EQ(last_total, bytes.size());
    stand_in.wait_for(1);
    const auto records = stand_in.records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].file("body.bin"), bytes);
    const std::string commands = records[0].file("request.txt");
    EXPECT_EQ(count(commands, "USER demo"), 1u) << commands;
    EXPECT_EQ(count(commands, "PASS "), 1u) << commands;
    EXPECT_NE(commands.find("TYPE I\r\n"), std::string::npos) << commands;
    EXPECT_NE(commands.find("STOR job.tar.gz\r\n"), std::string::npos) << commands;
}

TEST_F(FtpSession, AReplyOf552AfterTheDataFails)
{
    archive(1000); // not an archive: the service finds problems
    auto session = make_curl_ftp_session(endpoint());
    ASSERT_TRUE(session->login().transferred());
    const ftp_result result = session->upload(folder.file("job.tar.gz"), "job.tar.gz", {});
    EXPECT_EQ(result.curl_code, 70) << result.error;
    EXPECT_EQ(result.reply_code, 552);
    EXPECT_EQ(result.reply.rfind("552 ", 0), 0u) << result.reply;
}

TEST_F(FtpSession, AWrongPasswordFailsTheLogin)
{
    auto session = make_curl_ftp_session(endpoint("wrong"));
    const ftp_result result = session->login();
    EXPECT_FALSE(result.transferred());
    EXPECT_EQ(result.reply_code, 530);
    archive(10);
    EXPECT_FALSE(session->upload(folder.file("job.tar.gz"), "job.tar.gz", {}).transferred());
}

TEST_F(FtpSession, LineBreaksInTheAccountOrHostAreRefusedBeforeConnecting)
{
    const ftp_endpoint endpoints[] = {
        {"127.0.0.1", stand_in.port("ftp"), "demo", "secret\r\nNOOP"},
        {"127.0.0.1", stand_in.port("ftp"), "demo\nNOOP", "secret"},
        {std::string("127.0.0.1\0x", 11), stand_in.port("ftp"), "demo", "secret"},
    };
    for (const auto& e : endpoints) {
        const ftp_result result = make_curl_ftp_session(e)->login();
        EXPECT_FALSE(result.transferred());
        EXPECT_EQ(result.reply_code, 0) << "no server was asked";
    }
}

TEST_F(FtpSession, AProgressAnswerOfStopEndsTheUploadUnfinished)
{
    stand_in.script("ftp", {{"fault", "throttle"}, {"rate", "20000"}});
    archive(400000);
    auto session = make_curl_ftp_session(endpoint());
    ASSERT_TRUE(session->login().transferred());
    int calls = 0;
    const ftp_result result = session->upload(folder.file("job.tar.gz"), "job.tar.gz",
        [&](std::uint64_t done, std::uint64_t) { return ++calls < 2 || done == 0; });
    EXPECT_EQ(result.curl_code, 42) << result.error; // aborted by callback
    EXPECT_NE(result.reply_code, 226);
}

}
}

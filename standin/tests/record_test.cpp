#include "standin/fixture/quorbis_stand_in.h"
#include "standin/tests/package_maker.h"
#include "standin/tests/wire_client.h"

#include <gtest/gtest.h>

using namespace standin::testing;

TEST(Records, HeadersAndBodyAreKeptAsSent)
{
    standin::QuorbisStandIn stand_in;
    auto body = gateway_body(make_archive({command_file(true, "demo", "secret"), message_files(), {}, {}, false}),
        "demo", "secret");
    auto head = "POST /cgi-bin/submit HTTP/1.0\r\nHost: 127.0.0.1\r\nUser-Agent: Quorbis Veltrane Wizard 3.4\r\n"
                "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: " + std::to_string(body.size())
        + "\r\nX-Odd-Case: kept As Sent\r\n\r\n";
    plain_connection connection(stand_in.port("http"));
    connection.send(head + body);
    auto reply = connection.read_all();
    stand_in.wait_for(1);
    auto record = stand_in.records().at(0);
    EXPECT_EQ(record.file("request.txt"), head);
    EXPECT_EQ(record.file("body.bin"), body);
    EXPECT_EQ(record.file("reply.bin"), reply);
    EXPECT_EQ(record.verdict(), "ok\n");
}

TEST(Records, KeepAliveRequestsShareAConnectionId)
{
    standin::QuorbisStandIn stand_in;
    const std::string request = "GET / HTTP/1.1\r\nHost: 127.0.0.1\r\nUser-Agent: Veltrane Wizard\r\n"
                                "Connection: Keep-Alive\r\n\r\n";
    plain_connection first(stand_in.port("http"));
    first.send(request);
    stand_in.wait_for(1);
    first.send(request);
    stand_in.wait_for(2);
    plain_connection second(stand_in.port("http"));
    second.send(request);
    stand_in.wait_for(3);
    auto records = stand_in.records();
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].file("connection.txt"), records[1].file("connection.txt"));
    EXPECT_NE(records[1].file("connection.txt"), records[2].file("connection.txt"));
}

TEST(Records, APackageSentTwiceGivesTwoRecordsWithOneDigest)
{
    standin::QuorbisStandIn stand_in;
    auto archive = make_archive({command_file(false, "demo", "secret"), message_files(), {}, {}, false});
    for (int i = 0; i < 2; ++i)
        ftp_upload(stand_in.port("ftp"), "demo", "secret", "job.tar.gz", archive);
    stand_in.wait_for(2);
    auto records = stand_in.records();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].file("sha256.txt").size(), 65u);
    EXPECT_EQ(records[0].file("sha256.txt"), records[1].file("sha256.txt"));
    EXPECT_EQ(records[1].file("package.bin"), archive);
}

#include "standin/fixture/quorbis_stand_in.h"
#include "standin/tests/wire_client.h"

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <set>
#include <sstream>

using standin::testing::plain_connection;

namespace {

struct socket_entry {
    std::string table;
    std::string local;  // hex address:port as the kernel lists it
    std::string state;
};

std::set<std::string> socket_inodes(int pid)
{
    std::set<std::string> inodes;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/fd", error)) {
        auto target = std::filesystem::read_symlink(entry.path(), error).string();
        if (target.rfind("socket:[", 0) == 0)
            inodes.insert(target.substr(8, target.size() - 9));
    }
    return inodes;
}

// The child's sockets as /proc/net lists them, matched by inode.
std::vector<socket_entry> sockets_of(int pid)
{
    auto inodes = socket_inodes(pid);
    std::vector<socket_entry> found;
    for (const char* table : {"tcp", "tcp6", "udp", "udp6"}) {
        std::ifstream in(std::string("/proc/net/") + table);
        std::string line;
        std::getline(in, line);
        while (std::getline(in, line)) {
            std::istringstream fields(line);
            std::string slot, local, remote, state, queues, timer, retransmits, uid, timeout, inode;
            fields >> slot >> local >> remote >> state >> queues >> timer >> retransmits >> uid >> timeout >> inode;
            if (inodes.count(inode))
                found.push_back({table, local, state});
        }
    }
    return found;
}

std::string loopback_hex(std::uint16_t port)
{
    char text[32];
    std::snprintf(text, sizeof text, "0100007F:%04X", port);
    return text;
}

void expect_all_on_loopback(const std::vector<socket_entry>& sockets)
{
    for (const auto& entry : sockets) {
        EXPECT_EQ(entry.table, "tcp") << entry.local;
        EXPECT_EQ(entry.local.substr(0, 9), "0100007F:") << entry.table << " " << entry.local;
    }
}

}

TEST(Loopback, EveryListeningSocketIsOn127001)
{
    standin::QuorbisStandIn stand_in;
    auto sockets = sockets_of(stand_in.pid());
    expect_all_on_loopback(sockets);
    std::set<std::string> listening;
    for (const auto& entry : sockets) {
        if (entry.state == "0A")
            listening.insert(entry.local);
    }
    for (const char* name : {"http", "http2", "https", "ftp", "smtp"})
        EXPECT_EQ(listening.count(loopback_hex(stand_in.port(name))), 1u) << name;
    EXPECT_EQ(listening.count(loopback_hex(stand_in.port("refused"))), 0u);
}

TEST(Loopback, FtpPassiveDataListensOn127001)
{
    standin::QuorbisStandIn stand_in;
    plain_connection ftp(stand_in.port("ftp"));
    ASSERT_TRUE(ftp.connected());
    EXPECT_EQ(ftp.read_line().substr(0, 4), "220 ");
    ftp.send("USER demo\r\n");
    EXPECT_EQ(ftp.read_line().substr(0, 4), "331 ");
    ftp.send("PASS secret\r\n");
    EXPECT_EQ(ftp.read_line().substr(0, 4), "230 ");
    ftp.send("PASV\r\n");
    auto reply = ftp.read_line();
    unsigned h1, h2, h3, h4, p1, p2;
    ASSERT_EQ(std::sscanf(reply.c_str(), "227 Entering passive mode (%u,%u,%u,%u,%u,%u)", &h1, &h2, &h3, &h4, &p1, &p2),
        6) << reply;
    EXPECT_EQ(std::vector<unsigned>({h1, h2, h3, h4}), std::vector<unsigned>({127, 0, 0, 1}));
    auto sockets = sockets_of(stand_in.pid());
    expect_all_on_loopback(sockets);
    bool data_listener = false;
    for (const auto& entry : sockets)
        data_listener |= entry.state == "0A" && entry.local == loopback_hex(static_cast<std::uint16_t>(p1 * 256 + p2));
    EXPECT_TRUE(data_listener);
    ftp.send("QUIT\r\n");
}

TEST(Loopback, TheRefusedPortRefusesAndOtherHostsAreForbiddenToTheProxy)
{
    standin::QuorbisStandIn stand_in;
    plain_connection refused(stand_in.port("refused"));
    EXPECT_FALSE(refused.connected());
    EXPECT_EQ(refused.error(), ECONNREFUSED);

    for (const std::string request : {"GET http://192.0.2.1/ HTTP/1.1\r\nHost: 192.0.2.1\r\n\r\n",
             "CONNECT 192.0.2.1:443 HTTP/1.1\r\nHost: 192.0.2.1:443\r\n\r\n"}) {
        plain_connection proxy(stand_in.port("http"));
        proxy.send(request);
        EXPECT_EQ(proxy.read_line(), "HTTP/1.1 403 Forbidden") << request;
    }
}

#include "platform/net/tcp_socket.h"
#include "platform/testing/loopback_peer.h"
#include "platform/threads/thread_queue.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <thread>

namespace platform::net {
namespace {

using peer = platform::testing::loopback_peer;
constexpr std::chrono::milliseconds long_tick {20000};

// Connects, waiting as long as it takes; the errno of a failed connect.
int connect(tcp_socket& socket, std::uint16_t port)
{
    std::string error;
    if (!socket.start_connect("127.0.0.1", port, error))
        return -1;
    for (;;) {
        if (socket.wait_writable(long_tick) != wait_status::ready)
            continue;
        bool next = false;
        int failure = socket.finish_connect(next);
        if (!next)
            return failure;
    }
}

TEST(tcp_socket, exchanges_bytes_with_a_loopback_peer)
{
    peer server({peer::expect("hello"), peer::send("world")});
    tcp_socket socket;
    ASSERT_EQ(connect(socket, server.port()), 0);
    EXPECT_EQ(socket.local_address_literal(), "[127.0.0.1]");
    std::string_view rest = "hello";
    while (!rest.empty()) {
        auto sent = socket.send_some(rest);
        ASSERT_NE(sent.status, io_status::failed);
        rest.remove_prefix(sent.count);
    }
    std::string got;
    char buffer[16];
    while (got.size() < 5) {
        ASSERT_EQ(socket.wait_readable(long_tick), wait_status::ready);
        auto read = socket.receive(buffer, sizeof buffer);
        ASSERT_EQ(read.status, io_status::done);
        got.append(buffer, read.count);
    }
    EXPECT_EQ(got, "world");
    socket.shutdown_send();
    EXPECT_EQ(server.received(), "hello");
}

TEST(tcp_socket, a_refused_or_unknown_server_fails_to_connect)
{
    tcp_socket socket;
    EXPECT_EQ(connect(socket, peer::refused_port()), ECONNREFUSED);
    std::string error;
    EXPECT_FALSE(socket.start_connect("no.such.host.invalid", 25, error));
    EXPECT_NE(error.find("no.such.host.invalid"), std::string::npos);
}

TEST(tcp_socket, a_post_to_the_waiting_thread_ends_the_wait)
{
    peer server({peer::stall()});
    tcp_socket socket;
    ASSERT_EQ(connect(socket, server.port()), 0);
    std::atomic<threads::thread_id> waiter {0};
    wait_status status = wait_status::ready;
    std::thread waiting([&] {
        waiter = threads::current_thread_id();
        status = socket.wait_readable(long_tick);
    });
    while (waiter == 0)
        std::this_thread::yield();
    // Posted before or during the wait: either way the wait ends for the queue.
    threads::post_thread_message(waiter, threads::WM_QUIT, 0, 0);
    waiting.join();
    EXPECT_EQ(status, wait_status::queue);
    socket.close();
}

TEST(tcp_socket, a_closed_peer_is_an_error_not_a_signal)
{
    peer server({peer::close()});
    tcp_socket socket;
    ASSERT_EQ(connect(socket, server.port()), 0);
    server.received();
    std::string block(64 * 1024, 'x');
    io_result sent {io_status::done, 0, 0};
    while (sent.status != io_status::failed) {
        if (socket.wait_writable(long_tick) == wait_status::ready)
            sent = socket.send_some(block);
    }
    EXPECT_TRUE(sent.error == EPIPE || sent.error == ECONNRESET);
}

}
}

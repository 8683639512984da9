#pragma once

// TCP over POSIX sockets, non-blocking throughout. Every wait is one poll() of at most a
// tick over the socket and the calling thread's message queue, so that the caller counts
// ticks, asks the user after enough of them and sees a posted WM_QUIT at once.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <sys/socket.h>
#include <vector>

namespace platform::net {

// What ended one wait.
enum class wait_status {
    ready,   // the socket can go on (or has an error to report)
    tick,    // the tick passed without anything happening
    queue,   // a message was posted to the calling thread
};

// The outcome of one send or receive call.
enum class io_status {
    done,         // count bytes moved (a receive of 0 bytes: the peer closed)
    would_block,  // nothing moved now; wait and try again
    failed,       // the connection is broken (error holds errno)
};

struct io_result {
    io_status status = io_status::failed;
    std::size_t count = 0;
    int error = 0;
};

class tcp_socket {
public:
    tcp_socket() = default;
    ~tcp_socket() { close(); }
    tcp_socket(const tcp_socket&) = delete;
    tcp_socket& operator=(const tcp_socket&) = delete;

    // Resolves the host and starts connecting to its first address. False, with the reason,
    // when the name does not resolve or no address accepts the start.
    [[nodiscard]] bool start_connect(const std::string& host, std::uint16_t port, std::string& error);
    // Once a connect wait says ready: 0 when connected. On a failure the next address of
    // the host is started when there is one (next_started true: wait again); otherwise the
    // errno of the failure is returned.
    int finish_connect(bool& next_started);

    // Waits up to one tick for the socket to become readable (or writable) or for a post to
    // the calling thread's queue.
    wait_status wait_readable(std::chrono::milliseconds tick) const { return wait(true, tick); }
    wait_status wait_writable(std::chrono::milliseconds tick) const { return wait(false, tick); }

    // Sends what the socket takes now (MSG_NOSIGNAL: a closed peer is an error, never a signal).
    io_result send_some(std::string_view data);
    io_result receive(char* buffer, std::size_t size);

    // The local end's address as a mail-domain literal: "[127.0.0.1]" or "[IPv6:::1]";
    // empty when unknown.
    std::string local_address_literal() const;

    void shutdown_send();
    void close();
    bool is_open() const { return fd_ >= 0; }

private:
    struct address {
        sockaddr_storage storage;
        socklen_t length;
    };

    wait_status wait(bool readable, std::chrono::milliseconds tick) const;
    bool start_next(int& error);

    int fd_ = -1;
    std::vector<address> remaining_;
};

// The local host's name and its canonical name; tests give their own.
class host_names {
public:
    virtual ~host_names() = default;
    // The canonical (official) name of this machine; empty when it cannot be found.
    virtual std::string local_host_name() const = 0;
};

// gethostname() resolved with AI_CANONNAME.
class system_host_names final : public host_names {
public:
    std::string local_host_name() const override;
};

}

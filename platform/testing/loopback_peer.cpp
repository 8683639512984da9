#include "platform/testing/loopback_peer.h"

#include <arpa/inet.h>
#include <chrono>
#include <netinet/in.h>
#include <poll.h>
#include <mutex>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace platform::testing {

namespace {

constexpr int read_limit_ms = 20000;

int bound_socket(std::uint16_t& port, int receive_buffer)
{
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        throw std::runtime_error("loopback_peer: no socket");
    if (receive_buffer > 0)
        ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &receive_buffer, sizeof receive_buffer);
    sockaddr_in where {};
    where.sin_family = AF_INET;
    where.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof where;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&where), sizeof where) != 0
        || ::getsockname(fd, reinterpret_cast<sockaddr*>(&where), &length) != 0) {
        ::close(fd);
        throw std::runtime_error("loopback_peer: cannot bind 127.0.0.1");
    }
    port = ntohs(where.sin_port);
    return fd;
}

}

loopback_peer::loopback_peer(std::vector<step> script, bool slow_reader)
    : script_(std::move(script)), slow_(slow_reader)
{
    listener_ = bound_socket(port_, slow_ ? 1024 : 0);
    if (::listen(listener_, 1) != 0) {
        ::close(listener_);
        throw std::runtime_error("loopback_peer: cannot listen");
    }
    thread_ = std::thread([this] { run(); });
}

loopback_peer::~loopback_peer()
{
    release();
    if (thread_.joinable())
        thread_.join();
    ::close(listener_);
}

void loopback_peer::release()
{
    {
        std::lock_guard guard(mutex_);
        released_ = true;
    }
    grown_.notify_all();
}

std::string loopback_peer::received()
{
    release();
    if (thread_.joinable())
        thread_.join();
    std::lock_guard guard(mutex_);
    return received_;
}

std::uint16_t loopback_peer::refused_port()
{
    std::uint16_t port = 0;
    ::close(bound_socket(port, 0));
    return port;
}

bool loopback_peer::read_into(std::size_t wanted)
{
    char buffer[4096];
    std::size_t got_total = 0;
    while (wanted == 0 || got_total < wanted) {
        pollfd watched {connection_, POLLIN, 0};
        if (::poll(&watched, 1, read_limit_ms) <= 0)
            return false;
        std::size_t chunk = slow_ ? 7 : sizeof buffer;
        if (wanted != 0 && wanted - got_total < chunk)
            chunk = wanted - got_total;
        ssize_t got = ::recv(connection_, buffer, chunk, 0);
        if (got <= 0)
            return false;
        got_total += static_cast<std::size_t>(got);
        {
            std::lock_guard guard(mutex_);
            received_.append(buffer, static_cast<std::size_t>(got));
        }
        grown_.notify_all();
    }
    return true;
}

void loopback_peer::run()
{
    pollfd waiting {listener_, POLLIN, 0};
    if (::poll(&waiting, 1, read_limit_ms) > 0)
        connection_ = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    bool open = connection_ >= 0;
    for (const auto& each : script_) {
        if (!open)
            break;
        switch (each.what) {
        case step::kind::expect:
            open = read_into(each.text.size());
            break;
        case step::kind::send: {
            std::size_t sent = 0;
            while (sent < each.text.size()) {
                ssize_t n = ::send(connection_, each.text.data() + sent, each.text.size() - sent, MSG_NOSIGNAL);
                if (n <= 0) {
                    open = false;
                    break;
                }
                sent += static_cast<std::size_t>(n);
            }
            break;
        }
        case step::kind::stall: {
            std::unique_lock lock(mutex_);
            grown_.wait_for(lock, std::chrono::milliseconds(read_limit_ms), [&] { return released_; });
            break;
        }
        case step::kind::close:
            ::close(connection_);
            connection_ = -1;
            open = false;
            break;
        }
    }
    if (open)
        read_into(0);
    if (connection_ >= 0)
        ::close(connection_);
    connection_ = -1;
    {
        std::lock_guard guard(mutex_);
        finished_ = true;
    }
    grown_.notify_all();
}

bool loopback_peer::wait_received(const std::string& text)
{
    std::unique_lock lock(mutex_);
    return grown_.wait_for(lock, std::chrono::milliseconds(read_limit_ms),
        [&] { return finished_ || received_.find(text) != std::string::npos; })
        && received_.find(text) != std::string::npos;
}

}

#include "platform/net/tcp_socket.h"

#include "platform/threads/thread_queue.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <unistd.h>

namespace platform::net {

bool tcp_socket::start_connect(const std::string& host, std::uint16_t port, std::string& error)
{
    close();
    remaining_.clear();
    addrinfo hints {};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    addrinfo* found = nullptr;
    const std::string service = std::to_string(port);
    int status = ::getaddrinfo(host.c_str(), service.c_str(), &hints, &found);
    if (status != 0) {
        error = "cannot resolve \"" + host + "\": " + ::gai_strerror(status);
        return false;
    }
    for (addrinfo* each = found; each; each = each->ai_next) {
        address entry {};
        std::memcpy(&entry.storage, each->ai_addr, each->ai_addrlen);
        entry.length = each->ai_addrlen;
        remaining_.push_back(entry);
    }
    ::freeaddrinfo(found);
    int last_error = 0;
    if (start_next(last_error))
        return true;
    error = "cannot connect to \"" + host + "\": " + std::strerror(last_error);
    return false;
}

bool tcp_socket::start_next(int& error)
{
    while (!remaining_.empty()) {
        address next = remaining_.front();
        remaining_.erase(remaining_.begin());
        close();
        fd_ = ::socket(next.storage.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_TCP);
        if (fd_ < 0) {
            error = errno;
            continue;
        }
        if (::connect(fd_, reinterpret_cast<const sockaddr*>(&next.storage), next.length) == 0
            || errno == EINPROGRESS)
            return true;
        error = errno;
    }
    close();
    return false;
}

int tcp_socket::finish_connect(bool& next_started)
{
    next_started = false;
    int error = 0;
    socklen_t length = sizeof error;
    if (fd_ < 0)
        return ENOTCONN;
    if (::getsockopt(fd_, SOL_SOCKET, SO_ERROR, &error, &length) != 0)
        error = errno;
    if (error == 0) {
        remaining_.clear();
        return 0;
    }
    int next_error = error;
    if (start_next(next_error)) {
        next_started = true;
        return 0;
    }
    return error;
}

wait_status tcp_socket::wait(bool readable, std::chrono::milliseconds tick) const
{
    pollfd watched[2] {};
    watched[0].fd = fd_;
    watched[0].events = readable ? POLLIN : POLLOUT;
    watched[1].fd = threads::queue_event_fd();
    watched[1].events = POLLIN;
    const nfds_t count = watched[1].fd >= 0 ? 2 : 1;
    int ready = ::poll(watched, count, static_cast<int>(tick.count()));
    if (ready < 0)
        return errno == EINTR ? wait_status::tick : wait_status::ready;
    if (count == 2 && (watched[1].revents & POLLIN)) {
        threads::clear_queue_event();
        return wait_status::queue;
    }
    return ready == 0 ? wait_status::tick : wait_status::ready;
}

io_result tcp_socket::send_some(std::string_view data)
{
    if (fd_ < 0)
        return {io_status::failed, 0, ENOTCONN};
    ssize_t sent = ::send(fd_, data.data(), data.size(), MSG_NOSIGNAL);
    if (sent >= 0)
        return {io_status::done, static_cast<std::size_t>(sent), 0};
    if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)
        return {io_status::would_block, 0, errno};
    return {io_status::failed, 0, errno};
}

io_result tcp_socket::receive(char* buffer, std::size_t size)
{
    if (fd_ < 0)
        return {io_status::failed, 0, ENOTCONN};
    ssize_t got = ::recv(fd_, buffer, size, 0);
    if (got >= 0)
        return {io_status::done, static_cast<std::size_t>(got), 0};
    if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)
        return {io_status::would_block, 0, errno};
    return {io_status::failed, 0, errno};
}

std::string tcp_socket::local_address_literal() const
{
    sockaddr_storage local {};
    socklen_t length = sizeof local;
    if (fd_ < 0 || ::getsockname(fd_, reinterpret_cast<sockaddr*>(&local), &length) != 0)
        return {};
    char text[INET6_ADDRSTRLEN] {};
    if (local.ss_family == AF_INET) {
        auto* v4 = reinterpret_cast<const sockaddr_in*>(&local);
        if (::inet_ntop(AF_INET, &v4->sin_addr, text, sizeof text))
            return std::string("[") + text + "]";
    } else if (local.ss_family == AF_INET6) {
        auto* v6 = reinterpret_cast<const sockaddr_in6*>(&local);
        if (::inet_ntop(AF_INET6, &v6->sin6_addr, text, sizeof text))
            return std::string("[IPv6:") + text + "]";
    }
    return {};
}

void tcp_socket::shutdown_send()
{
    if (fd_ >= 0)
        ::shutdown(fd_, SHUT_WR);
}

void tcp_socket::close()
{
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

std::string system_host_names::local_host_name() const
{
    char name[261] {};
    if (::gethostname(name, sizeof name - 1) != 0)
        return {};
    addrinfo hints {};
    hints.ai_flags = AI_CANONNAME;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(name, nullptr, &hints, &found) != 0)
        return {};
    std::string canonical = found->ai_canonname ? found->ai_canonname : "";
    ::freeaddrinfo(found);
    return canonical;
}

}

#pragma once

#include "broadcast/smtp/smtp_context.h"
#include "broadcast/smtp/smtp_reply.h"
#include "platform/net/tcp_socket.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace broadcast::smtp {

// The mail thread's connection to the SMTP server. Every wait goes in ticks over the socket
// and the thread's queue: a WM_QUIT taken from the queue ends the wait as interrupted, and
// after the configured number of silent ticks the user is asked (1145) to retry or cancel.
class CSocketEx {
public:
    explicit CSocketEx(const smtp_context& context) : context_(context) { }

    // Connects to the host; false when it cannot be resolved or reached, or the wait was
    // cancelled or interrupted (see interrupted()).
    bool Connect(const std::string& host, std::uint16_t port);

    // The next reply line with its line end; its length, or -1 when the connection ended
    // or failed, the wait was cancelled or interrupted, or no line end came within the buffer.
    int GetLine(std::string& line);
    // The code of the next whole reply (its lines up to the "ddd " line); -1 when the reply
    // is missing, malformed, of more than 100 lines or 64 KiB, or has a line over 2048 bytes.
    int GetResponse();
    // Sends all of the text; false when it cannot.
    bool SendText(std::string_view text);
    // Sends a file's bytes, doubling a "." that begins a line; 0 on success, -1 on failure.
    int SendFile(const std::string& path);

    // From now on a silence as long as the configured wait ends the wait without asking.
    void stop_asking() { ask_ = false; }
    // True once a WM_QUIT ended a wait.
    bool interrupted() const { return interrupted_; }
    std::string local_address_literal() const { return socket_.local_address_literal(); }
    void Close();

private:
    enum class wait_for { readable, writable };
    bool wait(wait_for what);
    bool send_all(std::string_view data);

    const smtp_context& context_;
    platform::net::tcp_socket socket_;
    reply_buffer buffer_;
    bool interrupted_ = false;
    bool ask_ = true;
};

}

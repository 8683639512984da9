#include "broadcast/smtp/socket_ex.h"

#include "core/log/trace_log.h"
#include "platform/prompts/message_box.h"
#include "platform/threads/thread_queue.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace broadcast::smtp {

using platform::net::io_status;
using platform::net::wait_status;

bool CSocketEx::wait(wait_for what)
{
    unsigned ticks = 0;
    for (;;) {
        if (interrupted_)
            return false;
        wait_status status = what == wait_for::readable ? socket_.wait_readable(context_.tick)
                                                        : socket_.wait_writable(context_.tick);
        if (status == wait_status::ready)
            return true;
        if (status == wait_status::queue) {
            if (platform::threads::peek(platform::threads::WM_QUIT, platform::threads::WM_QUIT, true)) {
                interrupted_ = true;
                return false;
            }
            continue;
        }
        if (++ticks < context_.wait_timeout)
            continue;
        if (!ask_)
            return false;
        int answer = context_.prompt.message_box(context_.strings, smtp_time_out_question,
            platform::prompts::MB_RETRYCANCEL | platform::prompts::MB_ICONEXCLAMATION);
        if (answer != platform::prompts::IDRETRY)
            return false;
        ticks = 0;
    }
}

bool CSocketEx::Connect(const std::string& host, std::uint16_t port)
{
    std::string error;
    if (!socket_.start_connect(host, port, error)) {
        TRACE_LOG("CSocketEx::Connect() - %s\n", error.c_str());
        return false;
    }
    for (;;) {
        if (!wait(wait_for::writable))
            return false;
        bool next_started = false;
        int failure = socket_.finish_connect(next_started);
        if (next_started)
            continue;
        if (failure != 0) {
            TRACE_LOG("CSocketEx::Connect() - %s\n", std::strerror(failure));
            return false;
        }
        return true;
    }
}

int CSocketEx::GetLine(std::string& line)
{
    line.clear();
    for (;;) {
        if (auto taken = buffer_.take_line()) {
            line = std::move(*taken);
            return static_cast<int>(line.size());
        }
        if (buffer_.full()) {
            TRACE_LOG("CSocketEx::GetLine() - reply line longer than %zu bytes\n", reply_buffer::capacity);
            return -1;
        }
        auto got = socket_.receive(buffer_.space(), buffer_.free_space());
        if (got.status == io_status::done) {
            if (got.count == 0)
                return -1;
            buffer_.commit(got.count);
            continue;
        }
        if (got.status == io_status::failed || !wait(wait_for::readable))
            return -1;
    }
}

int CSocketEx::GetResponse()
{
    reply_collector reply;
    std::string line;
    for (;;) {
        if (GetLine(line) < 0)
            return -1;
        switch (reply.add(line)) {
        case reply_collector::state::more:
            continue;
        case reply_collector::state::done:
            return reply.code();
        case reply_collector::state::failed:
            return -1;
        }
    }
}

bool CSocketEx::send_all(std::string_view data)
{
    while (!data.empty()) {
        auto sent = socket_.send_some(data);
        if (sent.status == io_status::done) {
            data.remove_prefix(sent.count);
            continue;
        }
        if (sent.status == io_status::failed || !wait(wait_for::writable))
            return false;
    }
    return true;
}

bool CSocketEx::SendText(std::string_view text)
{
    return send_all(text);
}

int CSocketEx::SendFile(const std::string& path)
{
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), std::fclose);
    if (!file) {
        TRACE_LOG("CSocketEx::SendFile() - can't open source file, %s", path.c_str());
        return -1;
    }
    // Large blocks: the number of sends, not the copying, bounds the speed.
    std::vector<char> block(64 * 1024);
    std::string stuffed;
    bool line_start = true;
    for (;;) {
        std::size_t got = std::fread(block.data(), 1, block.size(), file.get());
        if (got == 0)
            break;
        stuffed.clear();
        for (std::size_t i = 0; i < got; ++i) {
            if (line_start && block[i] == '.')
                stuffed += '.';
            stuffed += block[i];
            line_start = block[i] == '\n';
        }
        if (!send_all(stuffed)) {
            if (interrupted_)
                TRACE_LOG("CSocketEx::SendFile() - quit message arrived\n");
            return -1;
        }
    }
    if (std::ferror(file.get()))
        return -1;
    return 0;
}

void CSocketEx::Close()
{
    socket_.shutdown_send();
    socket_.close();
}

}

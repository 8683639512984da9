#pragma once

#include "broadcast/smtp/smtp_context.h"
#include "platform/threads/thread_queue.h"

#include <atomic>
#include <memory>
#include <string>
#include <thread>

namespace broadcast::smtp {

class CSocketEx;

// The envelope and the message file of one SMTP send.
struct smtp_mail {
    std::string server;        // the SMTP server setting, "host[:port]"
    std::string from;          // empty: MAIL FROM:<>
    std::string to;
    std::string message_file;  // the MIME message as it goes after DATA
};

// The thread that runs one SMTP dialogue: it connects, runs the dialogue when the connect
// notice (WM_USER+101) arrives and ends on a posted WM_QUIT. Its queue exists before it
// starts, so a quit posted at once is kept.
class CMailThread {
public:
    static constexpr std::uint32_t WM_CONNECTED = platform::threads::WM_USER + 101;

    CMailThread(const smtp_context& context, smtp_mail mail);
    ~CMailThread();
    CMailThread(const CMailThread&) = delete;
    CMailThread& operator=(const CMailThread&) = delete;

    void start();
    platform::threads::thread_id id() const { return id_; }
    // Readable once the thread's work is over.
    int ended_fd() const { return ended_; }
    void join();
    // 1 once the message was accepted (250 after the end marker), else 0.
    int send_result() const { return send_result_.load(); }

private:
    void run();
    bool InitInstance();
    void OnConnected(std::uintptr_t error);
    void ExitInstance();
    bool quit_arrived();

    const smtp_context& context_;
    smtp_mail mail_;
    platform::threads::thread_id id_;
    int ended_ = -1;
    std::unique_ptr<CSocketEx> m_pSocket;
    std::atomic<int> send_result_ {0};
    std::thread thread_;
};

// Sends the message file to the SMTP server on a mail thread while the calling thread waits,
// forwarding a WM_QUIT posted to the caller. 1 when the server accepted the message, 0 when
// the send failed (the mail thread has told the user; an unusable address or an unreadable
// message file fail at once, silently, for the caller to report), -1 when a quit arrived.
int SendViaSMTP(const smtp_context& context, const smtp_mail& mail);

}

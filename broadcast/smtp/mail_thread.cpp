#include "broadcast/smtp/mail_thread.h"

#include "broadcast/smtp/smtp_settings.h"
#include "broadcast/smtp/socket_ex.h"
#include "core/log/trace_log.h"
#include "platform/net/tcp_socket.h"
#include "platform/prompts/message_box.h"

#include <cstdio>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace broadcast::smtp {

namespace threads = platform::threads;

namespace {

constexpr const char* prefix = "CMailThread::OnConnected() - ";

// A name that may stand in a HELO command as it is.
bool usable_helo_name(const std::string& name)
{
    if (name.empty() || name.size() > 255)
        return false;
    for (unsigned char c : name) {
        if (c <= ' ' || c >= 0x7f)
            return false;
    }
    return true;
}

void show_error(const smtp_context& context, unsigned message)
{
    context.prompt.message_box(context.strings, message,
        platform::prompts::MB_OK | platform::prompts::MB_ICONERROR);
}

}

CMailThread::CMailThread(const smtp_context& context, smtp_mail mail)
    : context_(context), mail_(std::move(mail)), id_(threads::reserve_thread_queue()),
      ended_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
{
}

CMailThread::~CMailThread()
{
    join();
    threads::release_thread_queue(id_);
    if (ended_ >= 0)
        ::close(ended_);
}

void CMailThread::start()
{
    thread_ = std::thread([this] { run(); });
}

void CMailThread::join()
{
    if (thread_.joinable())
        thread_.join();
}

void CMailThread::run()
{
    threads::attach_thread_queue(id_);
    if (InitInstance()) {
        // The message loop: the connect notice runs the dialogue, a quit ends the thread.
        for (;;) {
            threads::wait(threads::INFINITE_WAIT);
            auto next = threads::peek(0, 0, true);
            if (!next)
                continue;
            if (next->id == threads::WM_QUIT)
                break;
            if (next->id == WM_CONNECTED)
                OnConnected(next->wparam);
        }
    }
    ExitInstance();
    std::uint64_t one = 1;
    [[maybe_unused]] auto written = ::write(ended_, &one, sizeof one);
}

bool CMailThread::InitInstance()
{
    TRACE_LOG("CMailThread::InitInstance() - start\n");
    m_pSocket = std::make_unique<CSocketEx>(context_);
    TRACE_LOG("CMailThread::InitInstance() - m_pSocket: = %p\n", static_cast<void*>(m_pSocket.get()));
    auto server = parse_smtp_server(mail_.server);
    if (!server || !m_pSocket->Connect(server->host, server->port)) {
        if (m_pSocket->interrupted()) {
            TRACE_LOG("CMailThread::InitInstance() - quit message arrived\n");
        } else {
            TRACE_LOG("CMailThread::InitInstance() - m_pSocket->Connect() failed for \"%s\"\n",
                mail_.server.c_str());
            show_error(context_, smtp_server_not_found);
        }
        TRACE_LOG("CMailThread::InitInstance() - returned FALSE\n");
        return false;
    }
    threads::post_thread_message(id_, WM_CONNECTED, 0, 0);
    TRACE_LOG("CMailThread::InitInstance() - returned TRUE\n");
    return true;
}

bool CMailThread::quit_arrived()
{
    if (threads::peek(threads::WM_QUIT, threads::WM_QUIT, true) || m_pSocket->interrupted()) {
        TRACE_LOG("%squit message arrived\n", prefix);
        return true;
    }
    return false;
}

void CMailThread::OnConnected(std::uintptr_t error)
{
    TRACE_LOG("%sstart, wParam := %d, lParam := %d\n", prefix, static_cast<int>(error), 0);
    // Every way out ends the thread.
    struct ending {
        threads::thread_id id;
        ~ending() { threads::post_thread_message(id, threads::WM_QUIT, 0, 0); }
    } end_thread {id_};

    CSocketEx& socket = *m_pSocket;
    auto fail = [&] {
        if (socket.interrupted()) {
            TRACE_LOG("%squit message arrived\n", prefix);
            return;
        }
        TRACE_LOG("%sprocess error, return\n", prefix);
        show_error(context_, smtp_no_response);
    };
    auto reply_is = [&](int wanted) {
        int code = socket.GetResponse();
        TRACE_LOG("%sGetResponse() returned: = %d\n", prefix, code);
        return code == wanted;
    };
    auto command = [&](const char* trace, const std::string& text, int wanted) {
        if (quit_arrived())
            return false;
        TRACE_LOG("%s%s\n", prefix, trace);
        return socket.SendText(text) && reply_is(wanted);
    };

    if (error != 0) {
        TRACE_LOG("%swParam != 0, process error can't connect to host, return\n", prefix);
        show_error(context_, smtp_server_not_found);
        return;
    }
    TRACE_LOG("%sreceive wellcome string\n", prefix);
    if (!reply_is(220))
        return fail();
    TRACE_LOG("%sretrieve local host address\n", prefix);
    std::string name = context_.names.local_host_name();
    if (!usable_helo_name(name)) {
        TRACE_LOG("%scan't retrieve local host address\n", prefix);
        name = socket.local_address_literal();
    }
    if (!command("send greeting to remote host", "HELO " + name + "\r\n", 250)
        || !command("send FROM string", "MAIL FROM:<" + mail_.from + ">\r\n", 250)
        || !command("send TO string", "RCPT TO:<" + mail_.to + ">\r\n", 250)
        || !command("query DATA transmission", "DATA\r\n", 354))
        return fail();
    if (quit_arrived())
        return;
    TRACE_LOG("%ssend DATA\n", prefix);
    if (socket.SendFile(mail_.message_file) != 0)
        return fail();
    if (!command("send end marker", "\r\n.\r\n", 250))
        return fail();
    // The server has taken the message: a missing or wrong answer to QUIT changes nothing,
    // lest the user send the broadcast twice, and a silent server is not worth a question.
    send_result_ = 1;
    socket.stop_asking();
    TRACE_LOG("%sclosing transmission channel\n", prefix);
    if (socket.SendText("QUIT\r\n")) {
        int code = socket.GetResponse();
        TRACE_LOG("%sGetResponse() returned: = %d\n", prefix, code);
    }
    TRACE_LOG("%sreturn\n", prefix);
}

void CMailThread::ExitInstance()
{
    TRACE_LOG("CMailThread::ExitInstance() - start, m_pSocket := %p\n", static_cast<void*>(m_pSocket.get()));
    if (m_pSocket) {
        m_pSocket->Close();
        m_pSocket.reset();
    }
    TRACE_LOG("CMailThread::ExitInstance() - return\n");
}

int SendViaSMTP(const smtp_context& context, const smtp_mail& mail)
{
    TRACE_LOG("CMIMEMsg::SendViaSMTP() start, strHostName: = %s\n", mail.server.c_str());
    if (!usable_destination_address(mail.to) || mail.from.find_first_of(std::string_view("\r\n\0<>", 5))
            != std::string::npos) {
        TRACE_LOG("CMIMEMsg::SendViaSMTP() - unusable address, nothing sent\n");
        return 0;
    }
    // A message file that cannot be read fails here, not as a time-out after DATA.
    if (::access(mail.message_file.c_str(), R_OK) != 0) {
        TRACE_LOG("CMIMEMsg::SendViaSMTP() - can't read the message file %s, nothing sent\n",
            mail.message_file.c_str());
        return 0;
    }
    CMailThread thread(context, mail);
    TRACE_LOG("CMIMEMsg::SendViaSMTP() CMailThread: = %p\n", static_cast<void*>(&thread));
    thread.start();
    bool interrupted = false;
    const int queue = threads::queue_event_fd();
    for (;;) {
        while (threads::peek(threads::WM_QUIT, threads::WM_QUIT, true)) {
            TRACE_LOG("CMIMEMsg::SendViaSMTP() - quit message arrived\n");
            threads::post_thread_message(thread.id(), threads::WM_QUIT, 0, 0);
            interrupted = true;
        }
        pollfd watched[2] {{thread.ended_fd(), POLLIN, 0}, {queue, POLLIN, 0}};
        int ready = ::poll(watched, queue >= 0 ? 2 : 1, queue >= 0 ? -1 : 1000);
        if (ready > 0 && (watched[0].revents & POLLIN))
            break;
        if (ready > 0 && (watched[1].revents & POLLIN))
            threads::clear_queue_event();
    }
    thread.join();
    int result = thread.send_result();
    TRACE_LOG("CMIMEMsg::SendViaSMTP() returned: = %d\n", result);
    if (interrupted)
        return -1;
    return result != 0 ? 1 : 0;
}

}

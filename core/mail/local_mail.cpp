#include "core/mail/local_mail.h"

#include "core/log/trace_log.h"
#include "core/mail/mail_compose.h"
#include "platform/clock/clock.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace core {

namespace mail = platform::mail;

namespace {

constexpr mail::mapi_entry used_entries[] = {mail::mapi_entry::MAPILogon, mail::mapi_entry::MAPILogoff,
    mail::mapi_entry::MAPISendMail, mail::mapi_entry::MAPIFreeBuffer, mail::mapi_entry::MAPIResolveName};

// Attachments above this size are refused rather than read into memory.
constexpr off_t max_attachment_size = off_t(1) << 31;

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

// The file's bytes: MAPI_E_ATTACHMENT_NOT_FOUND when it is missing, ..._OPEN_FAILURE when
// it cannot be read.
std::uint32_t read_attachment(const std::string& path, std::string& bytes)
{
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT || errno == ENOTDIR ? mail::MAPI_E_ATTACHMENT_NOT_FOUND
                                                   : mail::MAPI_E_ATTACHMENT_OPEN_FAILURE;
    struct stat status {};
    std::uint32_t code = mail::SUCCESS_SUCCESS;
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) || status.st_size > max_attachment_size) {
        code = mail::MAPI_E_ATTACHMENT_OPEN_FAILURE;
    } else {
        bytes.clear();
        char block[65536];
        for (;;) {
            ssize_t got = ::read(fd, block, sizeof block);
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0) {
                code = mail::MAPI_E_ATTACHMENT_OPEN_FAILURE;
                break;
            }
            if (got == 0)
                break;
            bytes.append(block, static_cast<std::size_t>(got));
        }
    }
    ::close(fd);
    return code;
}

std::string last_part(const std::string& path)
{
    auto slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}

local_mail::local_mail(mail::mail_transfer& transfer, const platform::clock& clock)
    : transfer_(transfer), clock_(clock)
{
}

bool local_mail::load_simple_mapi()
{
    bool bound = transfer_.available();
    for (auto entry : used_entries)
        bound = bound && transfer_.provides(entry);
    std::lock_guard guard(mutex_);
    loaded_ = bound;
    return bound;
}

void local_mail::unload_simple_mapi()
{
    std::lock_guard guard(mutex_);
    loaded_ = false;
    sessions_.clear();
}

bool local_mail::is_simple_mapi_loaded() const
{
    std::lock_guard guard(mutex_);
    return loaded_;
}

bool local_mail::open_session(mail::session_handle session) const
{
    return loaded_ && sessions_.count(session) != 0;
}

std::uint32_t local_mail::logon(mail::window_handle, const std::string&, const std::string&, std::uint32_t,
    std::uint32_t, mail::session_handle& session)
{
    std::lock_guard guard(mutex_);
    if (!loaded_)
        return mail::MAPI_E_FAILURE;
    session = ++last_session_;
    sessions_.insert(session);
    return mail::SUCCESS_SUCCESS;
}

std::uint32_t local_mail::resolve_name(mail::session_handle session, mail::window_handle, const std::string& name,
    std::uint32_t, std::uint32_t, mail::mapi_recipient*& resolved)
{
    std::lock_guard guard(mutex_);
    if (!open_session(session))
        return mail::MAPI_E_INVALID_SESSION;
    std::string address(trimmed(name));
    if (!usable_mail_address(address))
        return mail::MAPI_E_UNKNOWN_RECIPIENT;
    auto description = std::make_unique<mail::mapi_recipient>();
    description->recip_class = mail::MAPI_TO;
    description->name = address;
    description->address = address;
    resolved = description.get();
    buffers_.emplace(resolved, std::move(description));
    return mail::SUCCESS_SUCCESS;
}

std::uint32_t local_mail::send_mail(mail::session_handle session, mail::window_handle,
    const mail::mapi_message& message, std::uint32_t, std::uint32_t)
{
    {
        std::lock_guard guard(mutex_);
        if (!open_session(session))
            return mail::MAPI_E_INVALID_SESSION;
    }
    std::vector<attachment_bytes> files;
    for (const auto& file : message.files) {
        attachment_bytes read;
        read.file_name = file.file_name.empty() ? last_part(file.path_name) : file.file_name;
        std::uint32_t code = read_attachment(file.path_name, read.bytes);
        if (code != mail::SUCCESS_SUCCESS) {
            TRACE_LOG("local_mail::send_mail() - attachment \"%s\" cannot be read\n", file.path_name.c_str());
            return code;
        }
        files.push_back(std::move(read));
    }
    composed_mail composed = compose_mail(message, files, clock_.local_now());
    if (composed.code != mail::SUCCESS_SUCCESS)
        return composed.code;
    // One hand-over at a time: the transfer keeps the report of its last one.
    std::lock_guard guard(transfer_mutex_);
    std::uint32_t code = transfer_.deliver(composed.text);
    TRACE_LOG("local_mail::send_mail() - %u, %s\n", code, transfer_.last_report().c_str());
    return code;
}

std::uint32_t local_mail::logoff(mail::session_handle session, mail::window_handle, std::uint32_t, std::uint32_t)
{
    std::lock_guard guard(mutex_);
    return sessions_.erase(session) != 0 ? mail::SUCCESS_SUCCESS : mail::MAPI_E_INVALID_SESSION;
}

std::uint32_t local_mail::free_buffer(void* buffer)
{
    if (!buffer)
        return mail::SUCCESS_SUCCESS;
    std::lock_guard guard(mutex_);
    return buffers_.erase(buffer) != 0 ? mail::SUCCESS_SUCCESS : mail::MAPI_E_FAILURE;
}

}

#include "broadcast/mime/mime_msg.h"

#include "core/log/trace_log.h"
#include "platform/files/unique_fd.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace broadcast {

namespace {

std::string errno_text(int error) { return std::strerror(error); }

class file_source final : public mime::byte_source {
public:
    explicit file_source(const std::string& path) : path_(path), fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC))
    {
        if (fd_.get() < 0)
            throw mime::mime_error("Cannot open " + path + ": " + errno_text(errno));
    }
    std::size_t read(char* buffer, std::size_t size) override
    {
        for (;;) {
            const ssize_t got = ::read(fd_.get(), buffer, size);
            if (got >= 0)
                return static_cast<std::size_t>(got);
            if (errno != EINTR)
                throw mime::mime_error("Cannot read " + path_ + ": " + errno_text(errno));
        }
    }

private:
    std::string path_;
    platform::files::unique_fd fd_;
};

// Collects up to one block before each write to the file.
class file_sink final : public mime::byte_sink {
public:
    file_sink(int fd, std::string path) : fd_(fd), path_(std::move(path)) { buffer_.reserve(mime::io_block); }
    void write(std::string_view bytes) override
    {
        if (buffer_.size() + bytes.size() > mime::io_block)
            flush();
        if (bytes.size() >= mime::io_block)
            write_all(bytes);
        else
            buffer_.append(bytes);
    }
    void flush()
    {
        write_all(buffer_);
        buffer_.clear();
    }

private:
    void write_all(std::string_view bytes)
    {
        while (!bytes.empty()) {
            const ssize_t put = ::write(fd_, bytes.data(), bytes.size());
            if (put < 0 && errno == EINTR)
                continue;
            if (put <= 0)
                throw mime::mime_error("Cannot write " + path_ + ": " + errno_text(errno));
            bytes.remove_prefix(static_cast<std::size_t>(put));
        }
    }

    int fd_;
    std::string path_;
    std::string buffer_;
};

}

CMIMEMsg::CMIMEMsg(const platform::utc_clock& clock, std::string temporary_folder)
    : clock_(clock), temporary_folder_(std::move(temporary_folder))
{
}

CMIMEMsg::~CMIMEMsg()
{
    TRACE_LOG("CMIMEMsg::~CMIMEMsg(), m_strTmpMessageFile: = %s\n", m_strTmpMessageFile.c_str());
    delete_message_file();
}

int CMIMEMsg::AddFile(const std::string& path)
{
    files_.push_back(path);
    return 1;
}

bool CMIMEMsg::GetFrom(std::string& from) const
{
    from = from_;
    return !from.empty();
}

bool CMIMEMsg::GetTo(std::string& to) const
{
    to = to_;
    return !to.empty();
}

void CMIMEMsg::delete_message_file()
{
    if (!m_strTmpMessageFile.empty())
        ::unlink(m_strTmpMessageFile.c_str());
    m_strTmpMessageFile.clear();
}

template <class Write>
bool CMIMEMsg::write_file(const char* scope, Write&& write)
{
    delete_message_file();
    std::string name = temporary_folder_ + "/msgXXXXXX";
    platform::files::unique_fd fd(::mkstemp(name.data()));
    if (fd.get() < 0) {
        last_error_ = "Cannot make a temporary file in " + temporary_folder_ + ": " + errno_text(errno);
        TRACE_LOG("%s - can't create temporary file, return\n", scope);
        return false;
    }
    TRACE_LOG("%s - temp file name: = %s\n", scope, name.c_str());
    try {
        file_sink sink(fd.get(), name);
        write(sink, mime::boundary_at(clock_.now_utc()));
        sink.flush();
        if (::close(fd.release()) != 0)
            throw mime::mime_error("Cannot write " + name + ": " + errno_text(errno));
    } catch (const mime::mime_error& error) {
        last_error_ = error.what();
        TRACE_LOG("%s - %s, return\n", scope, error.what());
        ::unlink(name.c_str());
        return false;
    }
    m_strTmpMessageFile = name;
    last_error_.clear();
    TRACE_LOG("%s - return\n", scope);
    return true;
}

int CMIMEMsg::CreateHTTPRequestFile(const mime::request_account& account)
{
    constexpr const char* scope = "CMIMEMsg::CreateHTTPRequestFile()";
    TRACE_LOG("%s - start\n", scope);
    if (files_.size() != 1) {
        last_error_ = "The request carries exactly one archive, not " + std::to_string(files_.size()) + " files";
        return 0;
    }
    return write_file(scope, [&](mime::byte_sink& sink, const std::string& boundary) {
        mime::write_request_head(sink, boundary, account);
        file_source source(files_.front());
        mime::write_request_file(sink, boundary, mime::file_name_of(files_.front()), source);
    }) ? 1 : 0;
}

int CMIMEMsg::CreateTmpMessageFile()
{
    constexpr const char* scope = "CMIMEMsg::CreateTmpMessageFile()";
    TRACE_LOG("%s - start\n", scope);
    return write_file(scope, [&](mime::byte_sink& sink, const std::string& boundary) {
        mime::write_mail_head(sink, boundary, from_, to_);
        for (const auto& path : files_) {
            file_source source(path);
            mime::write_mail_part(sink, boundary, mime::file_name_of(path), source);
        }
        mime::write_mail_end(sink, boundary);
    }) ? 1 : 0;
}

}

#include "platform/mail/sendmail_transfer.h"

#include "platform/process/process.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform::mail {

namespace {

bool executable_file(const std::string& path)
{
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

// A message file only this user can read, removed when it goes.
class private_file {
public:
    explicit private_file(const std::string& folder)
    {
        std::string where = folder;
        if (where.empty()) {
            const char* tmp = std::getenv("TMPDIR");
            where = tmp && *tmp ? tmp : "/tmp";
        }
        path_ = where + "/talverin-mail-XXXXXX";
        fd_ = ::mkostemp(path_.data(), O_CLOEXEC);
        if (fd_ < 0)
            path_.clear();
    }
    ~private_file()
    {
        if (fd_ >= 0)
            ::close(fd_);
        if (!path_.empty())
            ::unlink(path_.c_str());
    }
    private_file(const private_file&) = delete;
    private_file& operator=(const private_file&) = delete;

    bool write(const std::string& text)
    {
        std::size_t done = 0;
        while (fd_ >= 0 && done < text.size()) {
            ssize_t n = ::write(fd_, text.data() + done, text.size() - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return false;
            done += static_cast<std::size_t>(n);
        }
        return fd_ >= 0 && ::fsync(fd_) == 0;
    }
    const std::string& path() const { return path_; }

private:
    std::string path_;
    int fd_ = -1;
};

}

std::optional<std::string> find_sendmail(const sendmail_setup& setup)
{
    if (setup.named_program) {
        const std::string& named = *setup.named_program;
        if (!named.empty() && named.front() == '/' && executable_file(named))
            return named;
        return std::nullopt;
    }
    for (const auto& candidate : setup.search) {
        if (executable_file(candidate))
            return candidate;
    }
    return std::nullopt;
}

std::uint32_t sendmail_exit_code(int exit_code, bool ended)
{
    if (!ended)
        return MAPI_E_FAILURE;
    if (exit_code == 0)
        return SUCCESS_SUCCESS;
    if (exit_code == 65 || exit_code == 67)
        return MAPI_E_UNKNOWN_RECIPIENT;
    return MAPI_E_FAILURE;
}

sendmail_transfer::sendmail_transfer(sendmail_setup setup)
    : setup_(std::move(setup)), program_(find_sendmail(setup_))
{
}

std::uint32_t sendmail_transfer::deliver(const std::string& message)
{
    report_.clear();
    if (!program_) {
        report_ = "no sendmail program";
        return MAPI_E_FAILURE;
    }
    private_file input(setup_.temp_folder);
    if (input.path().empty() || !input.write(message)) {
        report_ = std::string("cannot write the message file: ") + std::strerror(errno);
        return MAPI_E_FAILURE;
    }
    process::spawn_options options;
    options.input_file = input.path();
    std::string error;
    auto child = process::child::spawn(*program_, {"-t", "-i"}, options, error);
    if (!child) {
        report_ = *program_ + " did not start: " + error;
        return MAPI_E_FAILURE;
    }
    auto result = child->wait(setup_.time_limit_ms);
    if (!result) {
        report_ = *program_ + " ran longer than " + std::to_string(setup_.time_limit_ms) + " ms and was ended";
        return MAPI_E_FAILURE;
    }
    report_ = *program_ + " ended with " + std::to_string(result->exit_code) + ": " + result->output;
    return sendmail_exit_code(result->exit_code, result->signal == 0);
}

}

#include "platform/registry/file_store.h"

#include "platform/env/locations.h"
#include "platform/registry/registry_text.h"

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform::registry {

namespace {

class unique_fd {
public:
    explicit unique_fd(int fd = -1) : fd_(fd) { }
    ~unique_fd()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    unique_fd(const unique_fd&) = delete;
    unique_fd& operator=(const unique_fd&) = delete;
    int get() const { return fd_; }
    int release()
    {
        int fd = fd_;
        fd_ = -1;
        return fd;
    }

private:
    int fd_;
};

bool write_all(int fd, const std::string& text)
{
    std::size_t done = 0;
    while (done < text.size()) {
        ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

bool read_all(int fd, std::string& text)
{
    char buffer[65536];
    while (true) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0)
            return true;
        text.append(buffer, static_cast<std::size_t>(n));
    }
}

std::atomic<unsigned> temp_counter {0};

}

file_store::file_identity file_store::identify(const std::string& path)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return {};
    return {true, info.st_dev, info.st_ino, info.st_size,
        static_cast<long long>(info.st_mtim.tv_sec) * 1000000000LL + info.st_mtim.tv_nsec};
}

file_store::file_store(std::string file_path)
    : path_(std::move(file_path))
    , lock_path_((std::filesystem::path(path_).parent_path() / "registry.lock").string())
{
}

std::string file_store::unusable_reason()
{
    std::lock_guard guard(mutex_);
    refresh_locked();
    return unusable_;
}

status file_store::refresh_locked()
{
    errno = 0;
    file_identity now = identify(path_);
    if (!now.exists && errno != ENOENT)
        return status::io_error;
    if (loaded_ && now == identity_)
        return unusable_.empty() ? status::ok : status::store_unusable;

    registry_tree fresh;
    std::string reason;
    if (now.exists) {
        unique_fd fd(::open(path_.c_str(), O_RDONLY | O_CLOEXEC));
        std::string text;
        if (fd.get() < 0 || !read_all(fd.get(), text))
            return status::io_error;
        auto outcome = parse_registry_text(text, path_);
        if (outcome.ok)
            fresh = std::move(outcome.tree);
        else
            reason = outcome.error;
    }
    tree_ = std::move(fresh);
    unusable_ = std::move(reason);
    identity_ = now;
    loaded_ = true;
    return unusable_.empty() ? status::ok : status::store_unusable;
}

status file_store::inspect(const std::function<void(const registry_tree&)>& look)
{
    std::lock_guard guard(mutex_);
    auto code = refresh_locked();
    if (code != status::ok)
        return code;
    look(tree_);
    return status::ok;
}

status file_store::change(const std::function<status(registry_tree&)>& edit)
{
    std::lock_guard guard(mutex_);
    auto folder = std::filesystem::path(path_).parent_path().string();
    if (!env::ensure_private_folder(folder))
        return status::io_error;

    unique_fd lock(::open(lock_path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
    if (lock.get() < 0)
        return status::io_error;
    while (::flock(lock.get(), LOCK_EX) != 0) {
        if (errno != EINTR)
            return status::io_error;
    }
    auto code = refresh_locked();
    if (code != status::ok)
        return code;

    registry_tree edited = tree_;
    code = edit(edited);
    if (code != status::ok)
        return code;
    if (edited == tree_)
        return status::ok;
    code = write_locked(edited);
    if (code == status::ok)
        tree_ = std::move(edited);
    return code; // the flock ends with the descriptor
}

status file_store::write_locked(const registry_tree& tree)
{
    auto folder = std::filesystem::path(path_).parent_path().string();
    auto temp_path = path_ + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(temp_counter++);
    unique_fd fd(::open(temp_path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    if (fd.get() < 0)
        return status::io_error;
    auto abandon = [&] {
        ::unlink(temp_path.c_str());
        return status::io_error;
    };
    auto text = format_registry_text(tree);
    if (::fchmod(fd.get(), 0600) != 0 || !write_all(fd.get(), text) || ::fsync(fd.get()) != 0)
        return abandon();
    if (::close(fd.release()) != 0)
        return abandon();
    if (before_rename_ && !before_rename_())
        return abandon();
    if (::rename(temp_path.c_str(), path_.c_str()) != 0)
        return abandon();
    unique_fd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0)
        ::fsync(dir.get());
    identity_ = identify(path_);
    return status::ok;
}

}

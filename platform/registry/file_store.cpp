#include "platform/registry/file_store.h"

#include "platform/env/locations.h"
#include "platform/files/atomic_write.h"
#include "platform/files/regular_file.h"
#include "platform/files/unique_fd.h"
#include "platform/registry/registry_text.h"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>

namespace platform::registry {

using files::unique_fd;

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

void file_store::refresh_locked()
{
    if (!unusable_.empty())
        return;
    file_identity now = identify(path_);
    if (loaded_ && now == identity_)
        return;

    auto file = files::read_regular_file(path_, max_store_size);
    switch (file.result) {
    case files::regular_file::outcome::missing:
        tree_ = {};
        break;
    case files::regular_file::outcome::unusable:
        unusable_ = path_ + ": " + file.problem;
        return;
    case files::regular_file::outcome::read: {
        auto outcome = parse_registry_text(file.bytes, path_);
        if (!outcome.ok) {
            unusable_ = std::move(outcome.error);
            return;
        }
        tree_ = std::move(outcome.tree);
        break;
    }
    }
    identity_ = now;
    loaded_ = true;
}

status file_store::inspect(const std::function<void(const registry_tree&)>& look)
{
    std::lock_guard guard(mutex_);
    refresh_locked();
    look(tree_);
    return status::ok;
}

status file_store::change(const std::function<status(registry_tree&)>& edit)
{
    std::lock_guard guard(mutex_);
    auto apply = [&](bool write) {
        registry_tree edited = tree_;
        auto code = edit(edited);
        if (code != status::ok || edited == tree_)
            return code;
        if (write)
            code = write_locked(edited);
        if (code == status::ok)
            tree_ = std::move(edited);
        return code;
    };
    if (!unusable_.empty())
        return apply(false);

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
    refresh_locked();
    return apply(unusable_.empty()); // the flock ends with the descriptor
}

status file_store::write_locked(const registry_tree& tree)
{
    auto text = format_registry_text(tree);
    if (text.size() > max_store_size)
        return status::too_large; // it could not be read back
    if (files::atomic_write(path_, text, 0600, before_rename_))
        return status::io_error;
    identity_ = identify(path_);
    return status::ok;
}

}

#pragma once

#include "platform/registry/registry.h"

#include <functional>
#include <mutex>
#include <string>
#include <cstddef>
#include <sys/types.h>

namespace platform::registry {

// The largest store file read: past it the file is unusable.
inline constexpr std::size_t max_store_size = 128 * 1024 * 1024;

// The store kept in <config>/registry.txt (mode 0600: it holds passwords). Every change
// takes an exclusive flock on registry.lock beside it, re-reads the file if another
// process changed it and replaces it atomically (a symbolic link is written through).
// A file that cannot be used (malformed, past a limit, unreadable, not a regular file)
// is never written again by this store: from then on it works in memory, on what it
// held before (nothing, when the file was unusable from the start), and the file is
// left as it is for the user to mend.
class file_store final : public store {
public:
    explicit file_store(std::string file_path);

    const std::string& path() const { return path_; }
    // Why the file cannot be used ("<file>:<line>: <reason>" or "<file>: <reason>"), else
    // empty.
    std::string unusable_reason() override;

    // Test hook: called after the temporary file is written, before the rename; false
    // abandons the change as a failed write would.
    void set_before_rename_hook(std::function<bool()> hook) { before_rename_ = std::move(hook); }

protected:
    status inspect(const std::function<void(const registry_tree&)>& look) override;
    status change(const std::function<status(registry_tree&)>& edit) override;

private:
    struct file_identity {
        bool exists = false;
        dev_t device = 0;
        ino_t inode = 0;
        off_t size = 0;
        long long modified_ns = 0;
        bool operator==(const file_identity&) const = default;
    };

    static file_identity identify(const std::string& path);
    void refresh_locked();
    status write_locked(const registry_tree& tree);

    std::string path_;
    std::string lock_path_;
    std::mutex mutex_;
    bool loaded_ = false;
    file_identity identity_;
    registry_tree tree_;
    std::string unusable_; // set once: the store stays in memory for the rest of the run
    std::function<bool()> before_rename_;
};

}

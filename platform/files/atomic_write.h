#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <system_error>

namespace platform::files {

// The file a path names once every symbolic link on its last component is followed
// (a relative link is taken from the link's folder); the path itself when it is no link.
// Fails with ELOOP after 40 links.
[[nodiscard]] std::error_code link_target(const std::string& path, std::string& target);

// Replaces the file's whole content so that a reader sees the old bytes or the new ones,
// never a mix, and a crash leaves one or the other: the bytes go to a temporary file in
// the same folder, which is synced, given `mode` and renamed over the file; the folder is
// synced last. A symbolic link is written through: its target is replaced, the link stays.
// `before_rename` (for tests) runs before the rename; false abandons the write.
// On failure the old file is untouched and no temporary file is left.
[[nodiscard]] std::error_code atomic_write(const std::string& path, std::string_view bytes, mode_t mode,
    const std::function<bool()>& before_rename = {});

// atomic_write without its two flushes: readers still see the old bytes or the new ones,
// but a crash may lose the new bytes. For files that a later flush writes (a save's staging,
// flushed with its tree) or that need not outlive a crash (working copies).
[[nodiscard]] std::error_code atomic_replace(const std::string& path, std::string_view bytes, mode_t mode);

}

#include "shell/temporary_paths.h"

#include "core/files/delete_path.h"

namespace shell {

void TemporaryPaths::add(std::string path)
{
    std::lock_guard guard(mutex_);
    paths_.push_back(std::move(path));
}

std::vector<std::string> TemporaryPaths::paths() const
{
    std::lock_guard guard(mutex_);
    return paths_;
}

std::vector<std::string> TemporaryPaths::delete_all()
{
    std::vector<std::string> taken;
    {
        std::lock_guard guard(mutex_);
        taken.swap(paths_);
    }
    std::vector<std::string> failures;
    for (const auto& path : taken) {
        if (auto reason = core::delete_temporary_path(path); !reason.empty())
            failures.push_back(reason);
    }
    return failures;
}

}

#include "shell/frames/deferred_deletions.h"

#include <filesystem>

namespace shell {

DeferredDeletions::~DeferredDeletions()
{
    for (const auto& entry : entries_) {
        std::error_code ignored; // the program is ending; nothing is left to tell
        std::filesystem::remove(entry.path, ignored);
    }
}

void DeferredDeletions::add(std::chrono::milliseconds due, std::string path)
{
    entries_.push_back({due, std::move(path)});
}

DeferredDeletions::Outcome DeferredDeletions::service(std::chrono::milliseconds now)
{
    Outcome outcome;
    for (auto it = entries_.begin(); it != entries_.end();) {
        if (it->due > now) {
            ++it;
            continue;
        }
        std::string path = std::move(it->path);
        it = entries_.erase(it);
        std::error_code error;
        auto status = std::filesystem::symlink_status(path, error);
        if (error || !std::filesystem::exists(status)) {
            outcome.missing.push_back(std::move(path));
            continue;
        }
        if (std::filesystem::remove(path, error) && !error)
            outcome.deleted.push_back(std::move(path));
        else
            outcome.undeletable.emplace_back(std::move(path), error ? error.message() : "not removed");
    }
    return outcome;
}

}

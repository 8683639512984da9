#pragma once

#include <chrono>
#include <deque>
#include <string>
#include <vector>

namespace shell {

// Files to delete once their due time has passed, in the order added. Due times are
// milliseconds of a steady 64-bit clock, so they never wrap.
class DeferredDeletions {
public:
    struct Entry {
        std::chrono::milliseconds due;
        std::string path;
    };
    // What one service did: files deleted, due entries whose file was already gone, and
    // files that could not be deleted (with the reason), which the caller hands on.
    struct Outcome {
        std::vector<std::string> deleted;
        std::vector<std::string> missing;
        std::vector<std::pair<std::string, std::string>> undeletable;
    };

    DeferredDeletions() = default;
    DeferredDeletions(const DeferredDeletions&) = delete;
    DeferredDeletions& operator=(const DeferredDeletions&) = delete;
    // Deletes every file still listed, due or not.
    ~DeferredDeletions();

    void add(std::chrono::milliseconds due, std::string path);
    // Takes every entry due at `now` off the list and deletes its file; entries not due
    // stay, in order. Never throws for a file.
    Outcome service(std::chrono::milliseconds now);
    const std::deque<Entry>& entries() const { return entries_; }

private:
    std::deque<Entry> entries_;
};

}

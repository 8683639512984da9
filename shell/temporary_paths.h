#pragma once

#include <mutex>
#include <string>
#include <vector>

namespace shell {

// Files and folders to delete at exit. Worker threads add to it, so it locks.
class TemporaryPaths {
public:
    void add(std::string path);
    std::vector<std::string> paths() const;
    // Deletes every recorded path in the order recorded and empties the list; the lines
    // describing what could not be deleted.
    std::vector<std::string> delete_all();

private:
    mutable std::mutex mutex_;
    std::vector<std::string> paths_;
};

}

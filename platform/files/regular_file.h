#pragma once

#include <cstddef>
#include <string>

namespace platform::files {

// A whole regular file read into memory, or why it could not be.
struct regular_file {
    enum class outcome { read, missing, unusable };
    outcome result = outcome::missing;
    std::string bytes;
    std::string problem; // for unusable: "is a folder", "cannot be read: Permission denied", ...
};

// Reads the file the path names (links followed) when it is a regular file of at most
// `max_bytes`. Anything else (a folder, a FIFO, a device, a socket, a larger file, a read
// error) is unusable and is never waited on: FIFOs and devices are not even opened for
// reading. A path that names nothing is missing.
regular_file read_regular_file(const std::string& path, std::size_t max_bytes);

}

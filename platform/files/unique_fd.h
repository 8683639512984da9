#pragma once

#include <unistd.h>

namespace platform::files {

// Owns a file descriptor and closes it when it goes.
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
    // Gives the descriptor up without closing it.
    int release()
    {
        int fd = fd_;
        fd_ = -1;
        return fd;
    }

private:
    int fd_;
};

}

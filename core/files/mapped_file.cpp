#include "core/files/mapped_file.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <utility>

namespace core::files {

mapped_file::~mapped_file() { close(); }

mapped_file::mapped_file(mapped_file&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0))
{
}

mapped_file& mapped_file::operator=(mapped_file&& other) noexcept
{
    if (this != &other) {
        close();
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
    }
    return *this;
}

bool mapped_file::open(const std::string& path)
{
    close();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat status {};
    void* view = MAP_FAILED;
    if (::fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && status.st_size > 0)
        view = ::mmap(nullptr, static_cast<std::size_t>(status.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
    ::close(fd);
    if (view == MAP_FAILED)
        return false;
    data_ = static_cast<const char*>(view);
    size_ = static_cast<std::size_t>(status.st_size);
    return true;
}

void mapped_file::close()
{
    if (data_ != nullptr)
        ::munmap(const_cast<char*>(data_), size_);
    data_ = nullptr;
    size_ = 0;
}

}

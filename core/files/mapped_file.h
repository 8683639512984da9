#pragma once

#include <cstddef>
#include <span>
#include <string>

namespace core::files {

// A read-only view of a whole regular file, mapped into memory. The file descriptor is closed
// as soon as the mapping exists; the mapping is released with the object.
class mapped_file {
public:
    mapped_file() = default;
    ~mapped_file();
    mapped_file(mapped_file&& other) noexcept;
    mapped_file& operator=(mapped_file&& other) noexcept;
    mapped_file(const mapped_file&) = delete;
    mapped_file& operator=(const mapped_file&) = delete;

    // Maps the file; false (and nothing mapped) when it cannot be opened, is not a regular
    // file, is empty or cannot be mapped. A previous mapping is released first.
    [[nodiscard]] bool open(const std::string& path);
    void close();

    bool is_open() const { return data_ != nullptr; }
    std::span<const char> bytes() const { return {data_, size_}; }

private:
    const char* data_ = nullptr;
    std::size_t size_ = 0;
};

}

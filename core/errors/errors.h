#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace hevtools {

// A failed system call: the text says what failed, the code is the system error (errno).
class win32api_error : public std::runtime_error {
public:
    win32api_error(const std::string& what, std::int32_t code) : std::runtime_error(what), code_(code) { }
    std::int32_t code() const { return code_; }

private:
    std::int32_t code_;
};

// A lock or wait that failed: the text says which, the fields say how.
class thread_synch_error : public std::runtime_error {
public:
    thread_synch_error(const std::string& what, std::uint32_t outcome, std::uint32_t thread_id, std::uint32_t count)
        : std::runtime_error(what), outcome_(outcome), thread_id_(thread_id), count_(count)
    {
    }
    std::uint32_t outcome() const { return outcome_; }     // the wait's result
    std::uint32_t thread_id() const { return thread_id_; } // the thread that held the lock
    std::uint32_t count() const { return count_; }         // its acquisition count

private:
    std::uint32_t outcome_;
    std::uint32_t thread_id_;
    std::uint32_t count_;
};

}

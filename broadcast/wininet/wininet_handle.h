#pragma once

#include "platform/inet/internet.h"

#include <cstdint>

class wininet_operations;

// A shared WinINet handle: the last holder closes it through the interface that issued it.
// A block counts its holders, a null handle's too, so no copy outlives the block. Not locked:
// one thread uses a handle at a time.
class wininet_handle {
public:
    wininet_handle() = default;
    wininet_handle(platform::inet::hinternet handle, wininet_operations* closer);
    wininet_handle(const wininet_handle& other);
    wininet_handle& operator=(const wininet_handle& other);
    ~wininet_handle();

    // Holds a new raw handle (the one already held: nothing happens).
    wininet_handle& assign(platform::inet::hinternet handle);

    platform::inet::hinternet get() const { return block_ ? block_->handle : nullptr; }
    bool empty() const { return get() == nullptr; }
    std::uint32_t use_count() const { return block_ ? block_->count : 0; }

private:
    struct counter_block {
        platform::inet::hinternet handle;
        std::uint32_t count;
    };
    void release();

    counter_block* block_ = nullptr;
    wininet_operations* closer_ = nullptr;
};

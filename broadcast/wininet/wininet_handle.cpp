#include "broadcast/wininet/wininet_handle.h"

#include "broadcast/wininet/sync_wininet_interface.h"

wininet_handle::wininet_handle(platform::inet::hinternet handle, wininet_operations* closer)
    : block_(new counter_block {handle, 1u}), closer_(closer)
{
}

wininet_handle::wininet_handle(const wininet_handle& other) : block_(other.block_), closer_(other.closer_)
{
    if (block_)
        ++block_->count;
}

wininet_handle& wininet_handle::operator=(const wininet_handle& other)
{
    if (block_ == other.block_)
        return *this;
    release();
    block_ = other.block_;
    closer_ = other.closer_;
    if (block_)
        ++block_->count;
    return *this;
}

wininet_handle::~wininet_handle()
{
    release();
}

wininet_handle& wininet_handle::assign(platform::inet::hinternet handle)
{
    if (block_ && block_->handle == handle)
        return *this;
    auto* closer = closer_;
    release();
    block_ = new counter_block {handle, 1u};
    closer_ = closer;
    return *this;
}

void wininet_handle::release()
{
    if (!block_)
        return;
    if (--block_->count == 0) {
        if (block_->handle && closer_)
            closer_->closeHandle(block_->handle);
        delete block_;
    }
    block_ = nullptr;
}

#include "broadcast/job/broadcast_ref.h"

#include <utility>

namespace broadcast {

broadcast_ref broadcast_ref::make(std::unique_ptr<quorbis_broadcast> job)
{
    auto made = std::make_unique<holder>();
    made->job = std::move(job);
    made->use_count.store(1, std::memory_order_relaxed);
    return broadcast_ref(made.release());
}

broadcast_ref::broadcast_ref(const broadcast_ref& other) noexcept : holder_(other.holder_)
{
    if (holder_)
        holder_->use_count.fetch_add(1, std::memory_order_relaxed);
}

broadcast_ref::broadcast_ref(broadcast_ref&& other) noexcept : holder_(std::exchange(other.holder_, nullptr)) { }

broadcast_ref& broadcast_ref::operator=(broadcast_ref other) noexcept
{
    std::swap(holder_, other.holder_);
    return *this;
}

broadcast_ref::~broadcast_ref()
{
    release();
}

void broadcast_ref::release() noexcept
{
    auto* released = std::exchange(holder_, nullptr);
    // The releasing decrement publishes this thread's use of the job to whichever thread
    // ends up destroying it.
    if (released && released->use_count.fetch_sub(1, std::memory_order_acq_rel) == 1)
        std::unique_ptr<holder> last(released);
}

std::int32_t broadcast_ref::use_count() const
{
    return holder_ ? holder_->use_count.load(std::memory_order_relaxed) : 0;
}

}

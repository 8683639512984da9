#pragma once

#include "broadcast/job/quorbis_broadcast.h"

#include <atomic>
#include <cstdint>
#include <memory>

namespace broadcast {

// A counted reference to a shared job. Copies may be taken and released on any thread;
// the last release, wherever it happens, destroys the job (and with it its folder).
class broadcast_ref {
public:
    broadcast_ref() = default;
    // Makes the holder of a new job and takes the first reference.
    static broadcast_ref make(std::unique_ptr<quorbis_broadcast> job);

    broadcast_ref(const broadcast_ref& other) noexcept;
    broadcast_ref(broadcast_ref&& other) noexcept;
    broadcast_ref& operator=(broadcast_ref other) noexcept;
    ~broadcast_ref();

    // Gives this reference up now; the object then refers to nothing.
    void release() noexcept;

    quorbis_broadcast* get() const { return holder_ ? holder_->job.get() : nullptr; }
    quorbis_broadcast* operator->() const { return get(); }
    quorbis_broadcast& operator*() const { return *get(); }
    explicit operator bool() const { return holder_ != nullptr; }
    // The number of references to the job; 0 for an empty reference.
    std::int32_t use_count() const;

private:
    struct holder {
        std::unique_ptr<quorbis_broadcast> job;
        std::atomic<std::int32_t> use_count {0};
    };

    explicit broadcast_ref(holder* taken) : holder_(taken) { }

    holder* holder_ = nullptr;
};

}

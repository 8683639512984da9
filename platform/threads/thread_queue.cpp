#include "platform/threads/thread_queue.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <unordered_map>

#include <sys/eventfd.h>
#include <unistd.h>

namespace platform::threads {

namespace {

struct queue {
    queue() : event(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) { }
    ~queue()
    {
        if (event >= 0)
            ::close(event);
    }
    queue(const queue&) = delete;
    queue& operator=(const queue&) = delete;

    std::mutex mutex;
    std::condition_variable arrived;
    std::deque<message> messages;
    // Readable after every post, so that waits on descriptors wake for the queue too.
    int event;
};

struct queue_table {
    std::mutex mutex;
    std::unordered_map<thread_id, std::shared_ptr<queue>> queues;
    thread_id last_id = 0;
};

queue_table& table()
{
    // Never destroyed: threads that end during static destruction still release their queue.
    static auto* instance = new queue_table;
    return *instance;
}

std::shared_ptr<queue> find_queue(thread_id id)
{
    auto& t = table();
    std::lock_guard guard(t.mutex);
    auto it = t.queues.find(id);
    return it == t.queues.end() ? nullptr : it->second;
}

// The calling thread's queue, released when the thread ends.
struct thread_binding {
    thread_id id = 0;
    std::shared_ptr<queue> owned;
    ~thread_binding()
    {
        if (id != 0)
            release_thread_queue(id);
    }
};

thread_local thread_binding binding;

queue& own_queue()
{
    current_thread_id();
    return *binding.owned;
}

bool in_range(std::uint32_t id, std::uint32_t first, std::uint32_t last)
{
    return (first == 0 && last == 0) || (id >= first && id <= last);
}

}

thread_id reserve_thread_queue()
{
    auto& t = table();
    std::lock_guard guard(t.mutex);
    do {
        ++t.last_id;
    } while (t.last_id == 0 || t.queues.count(t.last_id) != 0);
    t.queues.emplace(t.last_id, std::make_shared<queue>());
    return t.last_id;
}

bool attach_thread_queue(thread_id id)
{
    auto found = find_queue(id);
    if (!found)
        return false;
    if (binding.id != 0 && binding.id != id)
        release_thread_queue(binding.id);
    binding.id = id;
    binding.owned = std::move(found);
    return true;
}

void release_thread_queue(thread_id id)
{
    auto& t = table();
    std::lock_guard guard(t.mutex);
    t.queues.erase(id);
}

thread_id current_thread_id()
{
    if (binding.id == 0)
        attach_thread_queue(reserve_thread_queue());
    return binding.id;
}

bool post_message(thread_id thread, const message& posted)
{
    auto target = find_queue(thread);
    if (!target)
        return false;
    {
        std::lock_guard guard(target->mutex);
        target->messages.push_back(posted);
    }
    target->arrived.notify_all();
    if (target->event >= 0) {
        std::uint64_t one = 1;
        [[maybe_unused]] auto written = ::write(target->event, &one, sizeof one);
    }
    return true;
}

bool post_thread_message(thread_id thread, std::uint32_t id, std::uintptr_t wparam, std::intptr_t lparam)
{
    return post_message(thread, message {0, id, wparam, lparam});
}

void post_quit_message(int exit_code)
{
    post_message(current_thread_id(), message {0, WM_QUIT, static_cast<std::uintptr_t>(exit_code), 0});
}

std::optional<message> peek(std::uint32_t first, std::uint32_t last, bool remove)
{
    auto& q = own_queue();
    std::lock_guard guard(q.mutex);
    for (auto it = q.messages.begin(); it != q.messages.end(); ++it) {
        if (!in_range(it->id, first, last))
            continue;
        message found = *it;
        if (remove)
            q.messages.erase(it);
        return found;
    }
    return std::nullopt;
}

int queue_event_fd()
{
    return own_queue().event;
}

void clear_queue_event()
{
    std::uint64_t count = 0;
    int fd = own_queue().event;
    if (fd >= 0) {
        [[maybe_unused]] auto got = ::read(fd, &count, sizeof count);
    }
}

bool wait(std::uint32_t timeout_ms)
{
    auto& q = own_queue();
    std::unique_lock lock(q.mutex);
    auto ready = [&] { return !q.messages.empty(); };
    if (timeout_ms == INFINITE_WAIT) {
        q.arrived.wait(lock, ready);
        return true;
    }
    return q.arrived.wait_for(lock, std::chrono::milliseconds(timeout_ms), ready);
}

}

#pragma once

// Per-thread message queues.
//
// Every thread may own one queue of messages {window, id, wParam, lParam}, addressed by a
// 32-bit thread id (never 0). A thread gets its queue on its first call to
// current_thread_id(), peek() or wait(), or, for a thread about to start, through
// reserve_thread_queue() before it runs and attach_thread_queue() as its first act, so
// that messages posted right after the start are kept. The queue goes when its thread
// ends (or release_thread_queue() is called); posting to an unknown or ended thread
// returns false.
//
//   post_thread_message  append a message to another thread's queue
//   post_quit_message    append WM_QUIT (wParam = exit code) to the calling thread's queue
//   peek                 look at (and optionally remove) the first message in an id range
//   wait                 block until the calling thread's queue holds a message
//
// The window model builds on post_message() with a window value of its own.

#include <cstdint>
#include <optional>

namespace platform::threads {

using thread_id = std::uint32_t;

inline constexpr std::uint32_t WM_QUIT = 0x0012;
inline constexpr std::uint32_t WM_USER = 0x0400;

// A timeout that never ends.
inline constexpr std::uint32_t INFINITE_WAIT = 0xFFFFFFFFu;

struct message {
    std::uintptr_t window = 0;
    std::uint32_t id = 0;
    std::uintptr_t wparam = 0;
    std::intptr_t lparam = 0;

    bool operator==(const message&) const = default;
};

// The calling thread's id; makes its queue when it has none.
thread_id current_thread_id();

// A queue for a thread not yet running: returns its id.
thread_id reserve_thread_queue();
// Called first on the new thread: the reserved queue becomes the thread's own and goes
// when the thread ends. False when the id is unknown.
bool attach_thread_queue(thread_id id);
// Forgets a queue now (a reserved thread that never started, or a thread that ended its
// work); later posts to the id return false.
void release_thread_queue(thread_id id);

// Appends a message to the thread's queue; false when no such thread queue exists.
bool post_message(thread_id thread, const message& posted);
bool post_thread_message(thread_id thread, std::uint32_t id, std::uintptr_t wparam, std::intptr_t lparam);
// Appends WM_QUIT with the exit code as wParam to the calling thread's queue.
void post_quit_message(int exit_code);

// The first message of the calling thread's queue whose id lies in [first, last]
// (first == last == 0: any message); removed when remove is true, other messages stay in
// their order.
std::optional<message> peek(std::uint32_t first, std::uint32_t last, bool remove);

// Waits until the calling thread's queue holds a message or the timeout (ms; INFINITE_WAIT
// for no limit) ends; true when a message is there.
bool wait(std::uint32_t timeout_ms);

// A descriptor of the calling thread's queue that turns readable with every post, for
// poll() beside sockets and other descriptors; -1 when the system gave none. Ownership
// stays with the queue.
int queue_event_fd();
// Makes the descriptor unreadable again until the next post; the messages stay queued.
void clear_queue_event();

}

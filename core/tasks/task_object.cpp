#include "core/tasks/task_object.h"

#include "core/log/trace_log.h"
#include "core/util/program_environment.h"
#include "platform/threads/thread_queue.h"

#include <chrono>
#include <stdexcept>
#include <system_error>

namespace hevtools {

task_object::task_object(std::size_t) : queue_(platform::threads::reserve_thread_queue()), state_(std::make_shared<end_state>())
{
    // The default stack of a thread here is larger than any size callers ask for.
    thread_id_ = queue_;
}

task_object::~task_object()
{
    {
        std::lock_guard guard(state_->mutex);
        state_->destroyed = true;
    }
    if (thread_.joinable()) {
        if (thread_.get_id() == std::this_thread::get_id())
            thread_.detach();
        else
            thread_.join();
    }
    std::lock_guard guard(state_->mutex);
    if (!state_->started)
        platform::threads::release_thread_queue(queue_);
}

bool task_object::start()
{
    std::lock_guard guard(state_->mutex);
    if (state_->started)
        return true;
    try {
        thread_ = std::thread(&task_object::run, this, state_, queue_);
    } catch (const std::system_error& e) {
        TRACE_LOG("task_object::start() -- cannot make the thread: %s", e.what());
        return false;
    }
    state_->started = true;
    suspend_count_ = 1;
    return true;
}

void task_object::on_thread_exit()
{
    thread_id_ = 0;
    suspend_count_ = -1;
}

void task_object::join_thread()
{
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id())
        thread_.join();
}

bool task_object::gone(end_state& state)
{
    std::lock_guard guard(state.mutex);
    return state.destroyed;
}

core::wait_result task_object::wait_until_ended(std::uint32_t timeout_ms)
{
    std::unique_lock lock(state_->mutex);
    if (!state_->started)
        return core::wait_result::failed;
    auto ended = [&] { return state_->ended; };
    if (timeout_ms == core::infinite_timeout) {
        state_->ended_signal.wait(lock, ended);
        return core::wait_result::signalled;
    }
    return state_->ended_signal.wait_for(lock, std::chrono::milliseconds(timeout_ms), ended)
        ? core::wait_result::signalled
        : core::wait_result::timed_out;
}

void task_object::run(task_object* task, std::shared_ptr<end_state> state, std::uint32_t queue)
{
    platform::threads::attach_thread_queue(queue);
    task_thread_procedure(task);
    platform::threads::release_thread_queue(queue);
    {
        std::lock_guard guard(state->mutex);
        state->ended = true;
    }
    state->ended_signal.notify_all();
}

std::uint32_t task_thread_procedure(task_object* task)
{
    // The task may be destroyed by its own svc (it held its last reference): after each
    // call, the task is touched again only while it still exists.
    auto state = task->state_;
    auto gone = [&] { return task_object::gone(*state); };
    try {
        task->on_thread_start();
        if (gone())
            return 1;
        while (task->svc()) {
            if (gone())
                return 1;
        }
        if (gone())
            return 1;
        task->on_thread_exit();
    } catch (const std::runtime_error& e) {
        core::write_debug_output("runtime_error ");
        core::write_debug_output(e.what());
        core::write_debug_output("\n");
    } catch (const std::logic_error& e) {
        core::write_debug_output("logic_error ");
        core::write_debug_output(e.what());
        core::write_debug_output("\n");
    } catch (...) {
        core::write_debug_output("untyped exception\n");
    }
    return 1;
}

}

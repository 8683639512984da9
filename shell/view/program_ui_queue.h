#pragma once

// The program's message queue as the editing component's queue: a document's tasks travel
// to a hidden service window of the user-interface thread, and a document that waits for a
// page pumps the program's own messages meanwhile, so nothing the user or a worker posted is
// held back or lost.

#include "html/ui_queue.h"
#include "platform/ui/message_queue.h"

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <set>

namespace shell {

class ProgramUiQueue final : public html::ui_queue {
public:
    // The user-interface thread; `queue` outlives this adapter.
    explicit ProgramUiQueue(platform::ui::MessageQueue& queue);
    ~ProgramUiQueue() override;
    ProgramUiQueue(const ProgramUiQueue&) = delete;
    ProgramUiQueue& operator=(const ProgramUiQueue&) = delete;

    void post(std::function<void()> task) override;
    void post_quit(int exit_code) override;
    // Dispatches the program's messages until one of this queue's tasks has run, a quit is
    // met (left pending for the program's loop as well) or the deadline passes.
    pump_result pump_one(html::ui_clock::time_point deadline, int* exit_code) override;
    html::ui_clock::time_point now() const override { return html::ui_clock::now(); }

private:
    std::intptr_t handle(const platform::ui::message& message);

    platform::ui::MessageQueue& queue_;
    platform::ui::window_id window_ = 0;
    std::mutex mutex_;
    std::map<std::uintptr_t, std::function<void()>> tasks_;
    std::uintptr_t next_key_ = 1;
    std::uint64_t tasks_run_ = 0; // the user-interface thread only
    std::uintptr_t depth_ = 0;               // pumps in progress, one inside another
    std::set<std::uintptr_t> passed_deadlines_; // their timers that have fired
};

}

#pragma once

#include "platform/ui/ui_thread_call.h"
#include "platform/prompts/message_box.h"

#include <memory>
#include <stop_token>

namespace platform::ui {

// The prompts of a worker thread: each message box is shown by the user-interface
// thread's prompt while the worker waits for the answer. A box abandoned (the worker was
// told to stop, or the user-interface queue has ended) throws command_aborted, which ends
// the worker's command as a cancelled one.
class worker_prompt final : public prompts::prompt {
public:
    worker_prompt(prompts::prompt& ui_prompt, std::shared_ptr<ui_call_channel> calls, std::stop_token stop)
        : ui_prompt_(ui_prompt), calls_(std::move(calls)), stop_(std::move(stop))
    {
    }

    using prompt::message_box;
    int message_box(const prompts::message_box_request& request) override;

private:
    prompts::prompt& ui_prompt_;
    std::shared_ptr<ui_call_channel> calls_;
    std::stop_token stop_;
};

}

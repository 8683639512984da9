#include "platform/ui/worker_prompt.h"

#include "platform/com/com_error.h"

namespace platform::ui {

int worker_prompt::message_box(const prompts::message_box_request& request)
{
    int answer = 0;
    auto shown = calls_->call_on_ui_thread([&] { answer = ui_prompt_.message_box(request); }, stop_);
    if (shown == ui_call_result::abandoned)
        throw command_aborted();
    return answer;
}

}

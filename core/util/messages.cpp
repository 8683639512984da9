#include "core/util/messages.h"

#include "platform/ui/thread_queue.h"

namespace core {

bool PeekQuitMessage()
{
    return platform::ui::peek(platform::ui::WM_QUIT, platform::ui::WM_QUIT, true).has_value();
}

int get_comctl32_version()
{
    return 600;
}

}

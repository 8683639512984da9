#include "core/util/messages.h"

#include "platform/threads/thread_queue.h"

namespace core {

bool PeekQuitMessage()
{
    return platform::threads::peek(platform::threads::WM_QUIT, platform::threads::WM_QUIT, true).has_value();
}

int get_comctl32_version()
{
    return 600;
}

}

#include "platform/debug/debug_output.h"

#include <unistd.h>

namespace platform::debug {

void stderr_sink::write(std::string_view text)
{
    if (!enabled_ || text.empty())
        return;
    // One write keeps lines of several threads whole; a short write loses the rest,
    // which is acceptable for debugger output.
    [[maybe_unused]] auto written = ::write(STDERR_FILENO, text.data(), text.size());
}

}

// Test helper: writes <count> trace lines "<prefix> line <i>" through a trace logger.
#include "core/log/trace_log.h"
#include "platform/clock/clock.h"

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: trace_log_probe <log file> <prefix> <count>\n");
        return 2;
    }
    platform::system_clock clock("C");
    core::trace_logger logger({argv[1], &clock, nullptr, [] { return std::optional<std::string>("probe"); }});
    int count = std::atoi(argv[3]);
    for (int i = 0; i < count; ++i)
        logger.write("%s line %d", argv[2], i);
    return 0;
}

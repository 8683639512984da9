// Appends numbered entries to a broadcast log: broadcast_log_probe <log> <writer> <count>.
#include "broadcast/log/broadcast_log.h"
#include "platform/clock/clock.h"

#include <cstdlib>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 4)
        return 2;
    platform::system_clock clock("C");
    int count = std::atoi(argv[3]);
    for (int i = 0; i < count; ++i) {
        std::string text = std::string("MAPI SMTP broadcast. Job name: ") + argv[2] + "-" + std::to_string(i)
            + ". Job was sent to the Quorbis server.\r\n";
        if (!broadcast::broadcast_log(text, clock, argv[1]))
            return 1;
    }
    return 0;
}

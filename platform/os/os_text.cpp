#include "platform/os/os_text.h"

#include <sys/utsname.h>

namespace platform::os {

std::optional<std::string> system_description()
{
    utsname names {};
    if (uname(&names) != 0)
        return std::nullopt;
    return std::string(names.sysname) + " " + names.release + " " + names.version + " " + names.machine;
}

}

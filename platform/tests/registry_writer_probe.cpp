// Test helper: writes <count> values named "<prefix><i>" into one key of the store file.
#include "platform/registry/file_store.h"

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: registry_writer_probe <store file> <prefix> <count>\n");
        return 2;
    }
    platform::registry::file_store store(argv[1]);
    int count = std::atoi(argv[3]);
    for (int i = 0; i < count; ++i) {
        auto code = store.write(platform::registry::hive::current_user, "Software\\Race",
            std::string(argv[2]) + std::to_string(i), static_cast<std::uint32_t>(i));
        if (code != platform::registry::status::ok)
            return 1;
    }
    return 0;
}

#include "platform/testing/test_services.h"

#include <filesystem>

namespace platform::testing {

std::string share_folder()
{
    return TALVERIN_SHARE_DIR;
}

test_services::test_services()
{
    services.locations = {share_folder(), root.file("data"), root.file("config"), root.file("tmp")};
    std::filesystem::create_directories(services.locations.temp);
    services.strings = strings::string_table::load(services.string_table_path());
    services.registry = std::make_unique<memory_store>();
    services.debug_output = std::make_unique<recording_sink>();
    services.clock = std::make_unique<fixed_clock>();
    services.prompt = std::make_unique<scripted_prompt>();
    services.mail = std::make_unique<recording_mapi>();
    services.system_description = [] { return std::optional<std::string>("Linux 6.1.0 #1 SMP x86_64"); };
}

}

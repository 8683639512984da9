#include "platform/testing/temporary_folder.h"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <vector>

namespace platform::testing {

temporary_folder::temporary_folder()
{
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/talverin-test-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (!mkdtemp(buffer.data()))
        throw std::runtime_error("cannot create a temporary folder from " + pattern);
    path_ = buffer.data();
}

temporary_folder::~temporary_folder()
{
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

}

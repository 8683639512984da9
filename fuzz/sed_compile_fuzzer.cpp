// Any bytes as a sed script: the first byte picks how the script arrives (-e text, -f file or
// the -s script stream); compiling and a short run end with status 0, 1 or 2.
#include "fuzz/sed_fuzz_support.h"

#include <cstdint>
#include <sstream>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    std::string script(reinterpret_cast<const char*>(data) + 1, size - 1);
    if (sed_fuzz::slow_by_design(script))
        return 0;
    auto files = sed_fuzz::sample_files();
    switch (data[0] % 3) {
    case 0:
        sed_fuzz::run({"sed", "-e", script, "in1", "in2"}, "", files);
        break;
    case 1:
        files.files["script.sed"] = script;
        sed_fuzz::run({"sed", "-f", "script.sed"}, "x\ny\n", files);
        break;
    default: {
        std::istringstream stream(script);
        sed_fuzz::run({"sed", "-s"}, "x\ny\n", files, &stream);
        break;
    }
    }
    return 0;
}

// Any bytes as a recent file name: the menu text shows the name once (every "&" doubled),
// behind its number.
#include "shell/recent_files.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    int position = data[0] % 16;
    std::string name(reinterpret_cast<const char*>(data + 1), size - 1);
    std::string text = shell::recent_menu_text(0, position, name);
    // Undo the doubling: what the menu shows must be the name itself.
    std::string prefix = "&" + std::to_string((position + 1) % 10) + " ";
    if (text.compare(0, prefix.size(), prefix) != 0)
        std::abort();
    std::string shown;
    for (std::size_t i = prefix.size(); i < text.size(); ++i) {
        if (text[i] == '&') {
            if (i + 1 >= text.size() || text[i + 1] != '&')
                std::abort();
            ++i;
        }
        shown += text[i];
    }
    if (shown != name)
        std::abort();
    return 0;
}

// Any bytes as an HTML message's page through the unchanged test's reduction: it ends, and a
// page is always unchanged against itself as stored.
#include "shell/view/page_reduction.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view page(reinterpret_cast<const char*>(data), size);
    (void)shell::reduce_page(page);
    (void)shell::page_shows_nothing(page);
    if (!page.empty() && !shell::is_written_page_unchanged(page, page))
        std::abort();
    return 0;
}

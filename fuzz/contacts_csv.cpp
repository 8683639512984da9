// Any bytes as a delimited-text book: the promises of every reader (contact_book_checks.h).
#include "fuzz/contact_book_checks.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const auto limits = fuzzed_book_limits();
    check_book(bytes, broadcast::contacts::read_contacts_csv(bytes, limits), limits);
    return 0;
}

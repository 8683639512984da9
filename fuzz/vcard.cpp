// Any bytes as a vCard book, as the whole text and given in pieces: the promises of every
// reader (contact_book_checks.h), and the pieces read exactly as the whole text does.
#include "broadcast/contacts/vcard_reader.h"
#include "fuzz/contact_book_checks.h"

#include <cstdint>
#include <string>

namespace {

using namespace broadcast::contacts;

bool same(const read_result& a, const read_result& b)
{
    if (a.cards.size() != b.cards.size() || a.skipped.size() != b.skipped.size() || a.failure != b.failure)
        return false;
    for (std::size_t i = 0; i < a.cards.size(); ++i) {
        for (int index = 0; index < field_count; ++index) {
            if (a.cards[i].field(index) != b.cards[i].field(index))
                return false;
        }
    }
    for (std::size_t i = 0; i < a.skipped.size(); ++i) {
        if (a.skipped[i].line != b.skipped[i].line || a.skipped[i].reason != b.skipped[i].reason)
            return false;
    }
    return true;
}

}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const auto limits = fuzzed_book_limits();
    const auto whole = read_vcards(bytes, limits);
    check_book(bytes, whole, limits);

    // Pieces of one size, as a file is read a block at a time, the rest carried over.
    const std::size_t piece = 1 + size % 13;
    vcard_reader reader(limits);
    std::string pending;
    for (std::size_t at = 0; at < size;) {
        pending.append(bytes.substr(at, piece));
        at += piece;
        const std::size_t taken = reader.read(pending, at >= size);
        if (taken > pending.size())
            std::abort();
        pending.erase(0, taken);
        if (reader.failed())
            break;
    }
    if (!same(reader.finish(), whole))
        std::abort();
    return 0;
}

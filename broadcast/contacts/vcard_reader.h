#pragma once

#include "broadcast/contacts/contact_card.h"

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace broadcast::contacts {

struct vcard_builder;

// Reads vCards from text that comes in pieces, such as a large book read a block at a time.
// Each piece is read up to its last whole content line (folded and soft-broken lines are one
// content line); the caller gives the rest again at the start of the next piece.
class vcard_reader {
public:
    explicit vcard_reader(const read_limits& limits);
    ~vcard_reader();
    vcard_reader(const vcard_reader&) = delete;
    vcard_reader& operator=(const vcard_reader&) = delete;

    // Reads the whole content lines at the start of `text` and answers the bytes they took;
    // with `last`, the text is the end of the book and is read to its end.
    std::size_t read(std::string_view text, bool last);
    // True once the book cannot be read on (more cards than the limit).
    bool failed() const { return result_.failure.has_value(); }
    // What was read; once, after the last piece.
    read_result finish();

private:
    read_limits limits_;
    read_result result_;
    std::unique_ptr<vcard_builder> card_; // the card being read, reused from card to card
    bool open_ = false;
    int nesting_ = 0;                     // cards inside the open one (an agent's), which are skipped
    std::size_t lines_before_ = 0;        // lines of the pieces read before
    std::string logical_;                 // the content line being read
};

}

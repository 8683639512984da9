#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace core {

// The per-kind numbers of object names in one document; the application context holds
// one. Kinds 0, 4, 5 and 6 (picture, hyperlink, mailto, sendfriend) draw from one
// sequence, kind 0's; a kind outside 0..7 counts as kind 7 (unknown).
class object_name_counters {
public:
    // The kind's next number.
    std::int32_t next(int kind);
    // Raises the counter the kind draws from to the number unless it is higher already
    // (every number read from a manifest or found in a body), so no new name repeats it.
    void raise_to_at_least(int kind, std::int32_t number);
    // A new document: kinds 0 to 6 start over.
    void reset();
    // The last number the kind's sequence gave or was raised to.
    std::int32_t value(int kind) const;

private:
    std::array<std::int32_t, 8> counters_ {};
};

// "%s%d" of the kind's word and its next number: the first picture is picture1.
std::string make_new_object_name(object_name_counters& counters, int kind);
// With a number other than 0 the kind's word and that number, counters untouched; with 0
// as make_new_object_name.
std::string make_object_name(object_name_counters& counters, int kind, std::int32_t number);

}

#include "core/vocab/object_names.h"

#include "core/vocab/object_kinds.h"

#include <algorithm>
#include <limits>

namespace core {

namespace {

int known_kind(int kind)
{
    return kind >= 0 && kind < static_cast<int>(object_kind_words.size()) ? kind : unknown;
}

// The counter a kind draws its numbers from.
int counter_of(int kind)
{
    kind = known_kind(kind);
    return kind == 4 || kind == 5 || kind == 6 ? 0 : kind;
}

}

std::int32_t object_name_counters::next(int kind)
{
    auto& counter = counters_[static_cast<std::size_t>(counter_of(kind))];
    if (counter < std::numeric_limits<std::int32_t>::max())
        ++counter;
    return counter;
}

void object_name_counters::raise_to_at_least(int kind, std::int32_t number)
{
    auto& counter = counters_[static_cast<std::size_t>(counter_of(kind))];
    counter = std::max(counter, number);
}

void object_name_counters::reset()
{
    for (int kind = 0; kind <= 6; ++kind)
        counters_[static_cast<std::size_t>(kind)] = 0;
}

std::int32_t object_name_counters::value(int kind) const
{
    return counters_[static_cast<std::size_t>(counter_of(kind))];
}

std::string make_new_object_name(object_name_counters& counters, int kind)
{
    auto number = counters.next(kind);
    return std::string(object_kind_words[static_cast<std::size_t>(known_kind(kind))]) + std::to_string(number);
}

std::string make_object_name(object_name_counters& counters, int kind, std::int32_t number)
{
    if (number == 0)
        return make_new_object_name(counters, kind);
    return std::string(object_kind_words[static_cast<std::size_t>(known_kind(kind))]) + std::to_string(number);
}

}

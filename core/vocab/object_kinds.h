#pragma once

#include <array>
#include <string_view>

namespace core {

// Kinds of the objects a message manages; the number is part of the saved files.
enum object_kind { picture = 0, flashfile, pullfile, clickto, hyperlink, mailto, sendfriend, unknown };

// The kind words, by kind number: an object's id and name are its kind word and a number.
inline constexpr std::array<std::string_view, 8> object_kind_words {
    "picture", "flashfile", "pullfile", "clickto", "hyperlink", "mailto", "sendfriend", "unknown"};

// The kind a word names: the first of kinds 0 to 6 whose word it equals, ignoring case
// (a whole-word compare); `unknown` for any other word.
object_kind object_kind_from_name(std::string_view word);

struct object_id {
    object_kind kind = unknown;
    int number = 0;
};

// Splits a "quorbis_id" value at its first decimal digit: the word before it names the kind
// (ignoring case; any other word is `unknown`), the digits give the number. A value without
// a digit, or whose number does not fit in 32 bits, gives kind `unknown` and number 0.
object_id parse_object_id(std::string_view value);

// The same with the out-parameters of the callers that take them apart.
inline void parse_object_id(std::string_view value, int& number, int& kind)
{
    const object_id id = parse_object_id(value);
    number = id.number;
    kind = id.kind;
}

}

#include "platform/ui/text_int_range.h"

#include <cstdlib>

namespace platform::ui {

namespace {

// The number a text starts with, after white space and a sign; 0 when it starts with none.
// Too large a number stays too large (it saturates instead of wrapping into the range).
long long leading_number(const std::string& text)
{
    return std::strtoll(text.c_str(), nullptr, 10);
}

}

void DDX_TextIntRange(DataExchange& exchange, int control_id, std::string& text, int min_value, int max_value)
{
    exchange.text(control_id, text);
    exchange.int_range(leading_number(text), min_value, max_value);
}

void DDX_RequiredTextIntRange(DataExchange& exchange, int control_id, std::string& text, int min_value, int max_value)
{
    exchange.text(control_id, text);
    exchange.int_range(text.empty() ? static_cast<long long>(min_value) - 1 : leading_number(text), min_value, max_value);
}

}

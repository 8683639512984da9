#include "html/value.h"

#include <cstdlib>

namespace html {

std::string value::to_text() const
{
    switch (type()) {
    case kind::empty: return {};
    case kind::text: return text();
    case kind::int32: return std::to_string(int32());
    case kind::boolean: return boolean() ? "true" : "false";
    case kind::int16: return std::to_string(int16());
    }
    return {};
}

std::int32_t value::to_int32() const
{
    switch (type()) {
    case kind::empty: return 0;
    case kind::text: return static_cast<std::int32_t>(std::strtol(text().c_str(), nullptr, 10));
    case kind::int32: return int32();
    case kind::boolean: return boolean() ? 1 : 0;
    case kind::int16: return int16();
    }
    return 0;
}

}

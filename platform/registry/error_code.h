#pragma once

#include "platform/registry/registry_tree.h"

namespace platform::registry {

// The number the platform's registry calls answer for a result: 0 for success, 2 for a
// missing key or value, 13 for a value of another type, 1450 for a value past the limit.
inline long error_code(status code)
{
    switch (code) {
    case status::ok: return 0;
    case status::not_found: return 2;
    case status::access_denied: return 5;
    case status::wrong_type: return 13;
    case status::invalid_name: return 161;
    case status::io_error: return 1117;
    case status::too_large: return 1450;
    }
    return 1117;
}

}

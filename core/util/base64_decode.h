#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace core {

// Standard base64 (RFC 4648) with padding optional; white space between groups is
// skipped. Nothing for any other byte, a misplaced "=" or a lone trailing character.
std::optional<std::string> base64_decode(std::string_view text);

}

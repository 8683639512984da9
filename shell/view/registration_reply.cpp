#include "shell/view/registration_reply.h"

#include <charconv>
#include <climits>

namespace shell {

namespace {

constexpr std::string_view return_code_marker = "name=\"ReturnCode1\"";

constexpr unsigned IDS_REGISTERED_WITH_WARNING = 21075;
constexpr unsigned IDS_NOT_REGISTERED = 21076;
constexpr unsigned IDS_UNQUOTED_INSERTS = 20056;
constexpr unsigned IDS_MORE_THAN_ONE_FORM = 20057;
// The refusals -10 to -26 have their messages at this id minus the code.
constexpr unsigned IDS_REFUSAL_BASE = 20048;
constexpr unsigned IDS_PROCESS_ERROR = 20075;
constexpr unsigned IDS_NO_FORM_METHOD = 20076;
constexpr unsigned IDS_NO_FORM_ACTION = 20077;
constexpr unsigned IDS_DATABASE_ERROR = 20078;

struct code_strings {
    unsigned prefix = 0;  // 0: none
    unsigned message = 0; // 0: the code has no message of its own
};

code_strings strings_for_code(int code)
{
    if (code <= -10 && code >= -26)
        return {IDS_NOT_REGISTERED, static_cast<unsigned>(static_cast<int>(IDS_REFUSAL_BASE) - code)};
    switch (code) {
    case 0:
        return {0, IDS_REGISTERED_BROADCAST_NOW};
    case 10:
        return {IDS_REGISTERED_WITH_WARNING, IDS_UNQUOTED_INSERTS};
    case 20:
        return {IDS_REGISTERED_WITH_WARNING, IDS_MORE_THAN_ONE_FORM};
    case -29:
        return {IDS_NOT_REGISTERED, IDS_PROCESS_ERROR};
    case -38:
        return {IDS_NOT_REGISTERED, IDS_NO_FORM_METHOD};
    case -39:
        return {IDS_NOT_REGISTERED, IDS_NO_FORM_ACTION};
    case -54:
        return {IDS_NOT_REGISTERED, IDS_DATABASE_ERROR};
    default:
        return {};
    }
}

std::optional<int> return_code_of(std::string_view reply)
{
    const auto marker = reply.find(return_code_marker);
    if (marker == std::string_view::npos)
        return std::nullopt;
    auto rest = reply.substr(marker + return_code_marker.size());
    const bool negative = rest.starts_with('-');
    const auto digits = rest.substr(negative ? 1 : 0);
    // Unsigned: a second "-" is no digit.
    unsigned magnitude = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), magnitude);
    if (error != std::errc() || end == digits.data() || magnitude > static_cast<unsigned>(INT_MAX))
        return std::nullopt; // no digits, or more than any code the site sends
    const auto value = static_cast<int>(magnitude);
    return negative ? -value : value;
}

}

registration_reply read_registration_reply(const std::string& reply, const platform::strings::string_table& strings)
{
    const auto code = return_code_of(reply);
    if (!code)
        return {std::nullopt, reply};
    const auto ids = strings_for_code(*code);
    if (ids.message == 0)
        return {code, reply};
    return {code, (ids.prefix ? strings.text(ids.prefix) : std::string()) + strings.text(ids.message)};
}

}

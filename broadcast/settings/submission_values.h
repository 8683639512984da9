#pragma once

#include "platform/ui/dialog.h"

#include <array>
#include <cstddef>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace broadcast {

// The combo entries of the broadcast settings and the job values they stand for, by index.
struct combo_value {
    const char* entry;
    const char* value;
};
inline constexpr std::array<combo_value, 7> charset_values {{{"Western European (ISO-8859-1)", "ISO8859-1"},
    {"Chinese (Simplified)", "GB2312"}, {"Chinese (Traditional)", "BIG5"}, {"Japanese (EUC)", "EUC-JP"},
    {"Japanese (Shift-JIS)", "SHIFT-JIS"}, {"Korean (EUC)", "EUC-KR"}, {"Unicode (UTF-8)", "UTF-8"}}};
inline constexpr std::array<combo_value, 6> completion_report_values {{{"None", "none"}, {"Summary", "summary"},
    {"Detailed", "detailed"}, {"Pull", "pull"}, {"Exception", "exception"}, {"Bad Address", "bad_address"}}};
inline constexpr std::array<combo_value, 3> send_friend_report_values {{{"None", "none"}, {"Summary", "summary"},
    {"Detail", "detail"}}};

// The value at `index`, or the first one for an index out of range.
template <std::size_t N>
const char* value_at(const std::array<combo_value, N>& table, int index)
{
    return table[index >= 0 && static_cast<std::size_t>(index) < N ? static_cast<std::size_t>(index) : 0].value;
}

// Appends to `target` the pieces of `text` between any of the `delimiters`, skipping empty
// ones when asked; pieces are not trimmed. Returns the number appended.
std::size_t SplitAddresses(std::string_view text, std::string_view delimiters, std::vector<std::string>& target,
    bool skip_empty);

// A broadcast can be submitted with a subject and a recipient: an address or a list. The
// texts are taken as typed (surrounding white space does not count).
bool CanSubmit(std::string_view subject, std::string_view addresses, std::size_t local_lists, std::size_t remote_lists);

// The moment of the picker's day at the time-of-day picker's hour, minute and second, in
// local time; the calendar fields are combined once, so a day when clocks change keeps the
// chosen hour. Nothing for a moment that does not exist.
std::optional<std::time_t> future_delivery_time(const platform::ui::calendar_time& date,
    const platform::ui::calendar_time& time_of_day);

// The number that the pull-expiration text stands for: its leading decimal digits, 0 when
// there are none; more than nine digits read as out of range (-1).
long long expiration_days_number(std::string_view text);

// The picker's value for a moment of local time.
platform::ui::calendar_time calendar_time_of(const std::tm& local);

}

#include "broadcast/settings/submission_values.h"


namespace broadcast {

std::size_t SplitAddresses(std::string_view text, std::string_view delimiters, std::vector<std::string>& target,
    bool skip_empty)
{
    std::size_t appended = 0;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find_first_of(delimiters, start);
        if (end == std::string_view::npos)
            end = text.size();
        const std::string_view piece = text.substr(start, end - start);
        if (!piece.empty() || !skip_empty) {
            target.emplace_back(piece);
            ++appended;
        }
        start = end + 1;
    }
    return appended;
}

bool CanSubmit(std::string_view subject, std::string_view addresses, std::size_t local_lists, std::size_t remote_lists)
{
    const auto blank = [](std::string_view text) { return text.find_first_not_of(" \t\r\n") == std::string_view::npos; };
    return !blank(subject) && (!blank(addresses) || local_lists + remote_lists > 0);
}

std::optional<std::time_t> future_delivery_time(const platform::ui::calendar_time& date,
    const platform::ui::calendar_time& time_of_day)
{
    std::tm fields {};
    fields.tm_year = date.year - 1900;
    fields.tm_mon = date.month - 1;
    fields.tm_mday = date.day;
    fields.tm_hour = time_of_day.hour;
    fields.tm_min = time_of_day.minute;
    fields.tm_sec = time_of_day.second;
    fields.tm_isdst = -1;
    const std::time_t moment = std::mktime(&fields);
    if (moment == static_cast<std::time_t>(-1))
        return std::nullopt;
    return moment;
}

long long expiration_days_number(std::string_view text)
{
    std::size_t digits = 0;
    while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9')
        ++digits;
    if (digits > 9)
        return -1;
    long long number = 0;
    for (std::size_t i = 0; i < digits; ++i)
        number = number * 10 + (text[i] - '0');
    return number;
}

platform::ui::calendar_time calendar_time_of(const std::tm& local)
{
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec};
}

}

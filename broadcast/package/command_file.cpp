#include "broadcast/package/command_file.h"

#include "broadcast/package/package_error.h"
#include "broadcast/package/package_names.h"
#include "core/util/strings.h"

#include <string_view>

namespace broadcast {

namespace {

// A value that would end its line early fails the package rather than add lines.
void check_value(std::string_view value, std::string_view field)
{
    if (value.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos)
        throw package_error("The broadcast's " + std::string(field)
            + " holds a line break or NUL character, which the command file cannot carry");
}

// A path may hold line breaks (its member name loses them) but no NUL.
void check_path(std::string_view path, std::string_view field)
{
    if (path.find('\0') != std::string_view::npos)
        throw package_error("The broadcast's " + std::string(field) + " path holds a NUL character");
}

class command_writer {
public:
    void line(std::string_view keyword, std::string_view value, std::string_view field)
    {
        check_value(value, field);
        bytes_.append(keyword).append(value).push_back('\n');
    }
    void line_if(std::string_view keyword, std::string_view value, std::string_view field)
    {
        if (!value.empty())
            line(keyword, value, field);
    }
    void member(package_member::role kind, const std::string& source, const std::string& name)
    {
        for (const auto& known : plan_) {
            if (known.name == name)
                return;
        }
        plan_.push_back({kind, source, name});
    }

    command_file finish() { return {true, std::move(bytes_), std::move(plan_)}; }

private:
    std::string bytes_;
    std::vector<package_member> plan_;
};

}

std::optional<std::tm> system_time_zone::local_time(std::int64_t when) const
{
    std::time_t moment = static_cast<std::time_t>(when);
    std::tm result {};
    if (!localtime_r(&moment, &result))
        return std::nullopt;
    return result;
}

std::string future_delivery_text(const std::tm& when)
{
    static const char* const months[] = {"January", "February", "March", "April", "May", "June", "July", "August",
        "September", "October", "November", "December"};
    if (when.tm_mon < 0 || when.tm_mon > 11)
        return {};
    int hour = when.tm_hour % 12 == 0 ? 12 : when.tm_hour % 12;
    return core::format_string("%s %02d %lld %02d %02d %s", months[when.tm_mon], when.tm_mday,
        static_cast<long long>(when.tm_year) + 1900, hour, when.tm_min, when.tm_hour < 12 ? "AM" : "PM");
}

command_file write_command_file_text(const quorbis_broadcast& job, const command_file_inputs& inputs,
    const time_zone& zone)
{
    if (job.bodies.empty())
        return {};
    command_writer out;
    package_names names;
    using role = package_member::role;

    out.line("REM Originator: Veltrane Wizard ", inputs.version, "program version");
    if (inputs.login_line) {
        check_value(inputs.login_line->login, "login");
        check_value(inputs.login_line->password, "password");
        out.line("user ", inputs.login_line->login + " " + inputs.login_line->password, "login");
    }
    out.line_if("subject ", job.subject, "subject");
    out.line_if("charset ", job.charset, "charset");
    out.line_if("cref ", job.customer_reference, "customer reference");
    out.line_if("bc ", job.billing_code, "billing code");
    if (job.pull_password_needed)
        out.line("password ", job.master_password, "master password");
    if (job.future_delivery) {
        auto local = zone.local_time(job.future_delivery_time);
        out.line("future_delivery ", local ? future_delivery_text(*local) : std::string(), "future delivery time");
    }
    out.line_if("expiration_days ", job.pull_expiration_days, "pull expiration days");

    for (const auto& [kind, path] : job.bodies) {
        check_path(path, "body file");
        auto name = names.place_file(path, "body file", false);
        out.member(role::body, path, name);
        out.line("body ", name, "body file name");
    }
    if (inputs.send_friend)
        out.line("SEND_FRIEND yes", "", "send-a-friend line");
    out.line("posting_report ", job.posting_report, "posting report");
    out.line("completion_report ", job.completion_report, "completion report");
    out.line("FRIEND_REPORT ", job.send_friend_report, "send-a-friend report");
    out.line_if("ACCEPTANCE_REPORT ", inputs.settings.acceptance_report, "Broadcast\\Command ACCEPTANCE_REPORT");
    out.line_if("DSN ", inputs.settings.dsn, "Broadcast\\Command DSN");
    out.line_if("MDN ", inputs.settings.mdn, "Broadcast\\Command MDN");
    out.line_if("PROGRESS_REPORT ", inputs.settings.progress_report, "Broadcast\\Command PROGRESS_REPORT");

    for (const auto& path : job.push_files()) {
        check_path(path, "attachment");
        auto name = names.place_file(path, "attachment", false);
        out.member(role::attachment, path, name);
        out.line("attachment ", name, "attachment name");
    }
    for (const auto& pull : job.pull_files()) {
        check_path(pull.path, "pull file");
        auto name = names.place_file(pull.path, "pull file", true);
        out.member(role::pull_file, pull.path, name);
        std::string options = " autopull ";
        options += pull.autopull && inputs.settings.autopull_images ? "yes " : "no ";
        if (job.pull_security_secure)
            options += " PULL_SECURITY secure ";
        if (pull.password_needed && !job.pull_password_needed)
            options += " PASSWORD_NEEDED yes ";
        out.line("pull ", name + options, "pull file name");
    }
    for (const auto& path : job.local_lists()) {
        check_path(path, "local list");
        auto name = names.place_local_list(path);
        out.member(role::local_list, path, name);
        out.line("LOCAL_LIST ", name, "local list name");
    }
    for (const auto& list : job.remote_lists)
        out.line("list ", list, "recipient list name");
    for (const auto& address : job.additional_addresses)
        out.line("inet ", address, "recipient address");
    return out.finish();
}

}

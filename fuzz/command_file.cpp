// Arbitrary job values and file names through the command-file writer: it refuses the job,
// or every line opens with a keyword of the command file and the package members are
// distinct (whatever their case), plain names, and never "command.txt".
#include "broadcast/job/quorbis_broadcast.h"
#include "broadcast/package/command_file.h"
#include "broadcast/package/package_error.h"

#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <string_view>

namespace {

// Reads the input as length-prefixed texts and small numbers; past the end everything is empty.
class input_reader {
public:
    input_reader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) { }
    std::uint8_t byte() { return position_ < size_ ? data_[position_++] : 0; }
    std::string text()
    {
        std::size_t length = std::min<std::size_t>(byte(), size_ - position_);
        std::string result(reinterpret_cast<const char*>(data_ + position_), length);
        position_ += length;
        return result;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t position_ = 0;
};

constexpr std::string_view keywords[] = {"REM Originator: Veltrane Wizard ", "user ", "subject ", "charset ", "cref ",
    "bc ", "password ", "future_delivery ", "expiration_days ", "body ", "posting_report ", "completion_report ",
    "FRIEND_REPORT ", "ACCEPTANCE_REPORT ", "DSN ", "MDN ", "PROGRESS_REPORT ", "attachment ", "pull ", "LOCAL_LIST ",
    "list ", "inet "};

bool known_line(std::string_view line)
{
    if (line == "SEND_FRIEND yes")
        return true;
    for (auto keyword : keywords) {
        if (line.starts_with(keyword))
            return true;
    }
    return false;
}

std::string folded(std::string name)
{
    for (char& c : name) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return name;
}

}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    input_reader in(data, size);
    broadcast::quorbis_broadcast job;
    broadcast::command_file_inputs inputs;
    auto flags = in.byte();
    job.pull_security_secure = flags & 1;
    job.pull_password_needed = flags & 2;
    job.future_delivery = flags & 4;
    if (flags & 8)
        inputs.login_line = broadcast::service_account {in.text(), in.text()};
    inputs.settings.autopull_images = flags & 16;
    inputs.send_friend = flags & 32;
    for (auto* field : {&job.subject, &job.charset, &job.customer_reference, &job.billing_code, &job.master_password,
             &job.pull_expiration_days, &job.posting_report, &job.completion_report, &job.send_friend_report,
             &inputs.settings.acceptance_report, &inputs.settings.dsn, &inputs.settings.mdn,
             &inputs.settings.progress_report, &inputs.version})
        *field = in.text();
    std::int64_t when = 0;
    for (int i = 0; i < 8; ++i)
        when = (when << 8) | in.byte();
    job.future_delivery_time = when;
    for (int kind = 0; kind < 3; ++kind) {
        if (in.byte() & 1)
            job.bodies[kind] = "/j/" + in.text();
    }
    for (int n = in.byte() % 8; n > 0; --n)
        job.add_push_file("/p/" + in.text());
    for (int n = in.byte() % 8; n > 0; --n)
        job.add_pull_file({"/q/" + in.text(), in.byte() & 1, in.byte() & 1});
    for (int n = in.byte() % 8; n > 0; --n)
        job.add_local_list("/l/" + in.text());
    for (int n = in.byte() % 4; n > 0; --n)
        job.remote_lists.push_back(in.text());
    for (int n = in.byte() % 4; n > 0; --n)
        job.additional_addresses.push_back(in.text());

    broadcast::command_file file;
    try {
        file = broadcast::write_command_file_text(job, inputs, broadcast::system_time_zone());
    } catch (const broadcast::package_error&) {
        return 0;
    }
    if (!file.written) {
        if (!job.bodies.empty() || !file.bytes.empty() || !file.plan.empty())
            std::abort();
        return 0;
    }
    if (file.bytes.empty() || file.bytes.back() != '\n')
        std::abort();
    std::string_view rest(file.bytes);
    while (!rest.empty()) {
        auto end = rest.find('\n');
        auto line = rest.substr(0, end);
        if (!known_line(line) || line.find('\r') != std::string_view::npos || line.find('\0') != std::string_view::npos)
            std::abort();
        rest.remove_prefix(end + 1);
    }
    std::set<std::string> members {"command.txt"};
    for (const auto& member : file.plan) {
        const auto& name = member.name;
        if (name.empty() || name == "." || name == ".." || name.find_first_of(std::string_view("/\\\r\n\0", 5)) != std::string::npos)
            std::abort();
        if (!members.insert(folded(name)).second)
            std::abort();
    }
    return 0;
}

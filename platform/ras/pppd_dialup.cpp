#include "platform/ras/pppd_dialup.h"

#include "platform/files/atomic_write.h"
#include "platform/files/regular_file.h"
#include "platform/files/unique_fd.h"
#include "platform/process/process.h"
#include "platform/ras/dial_params_file.h"
#include "platform/ras/tcp_table.h"

#include <algorithm>
#include <arpa/inet.h>
#include <charconv>
#include <csignal>
#include <filesystem>
#include <future>
#include <ifaddrs.h>
#include <netinet/in.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace platform::ras {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t max_cmdline = 64 * 1024;
constexpr std::size_t max_pid_file = 4096;
// How long one read of pppd's output waits before the next round.
constexpr std::uint32_t line_wait_ms = 1000;

// The options file of one dial, readable by this user alone and removed when it goes.
class options_file {
public:
    options_file(const std::string& folder, const std::string& text, std::string& error)
    {
        std::string name = folder + "/dialup-options-XXXXXX";
        platform::files::unique_fd fd(::mkstemp(name.data())); // made 0600
        if (fd.get() < 0) {
            error = "cannot make the options file in " + folder;
            return;
        }
        path_ = name;
        const char* data = text.data();
        std::size_t left = text.size();
        while (left > 0) {
            auto written = ::write(fd.get(), data, left);
            if (written <= 0) {
                error = "cannot write the options file " + path_;
                return;
            }
            data += written;
            left -= static_cast<std::size_t>(written);
        }
    }
    ~options_file() { remove(); }
    options_file(const options_file&) = delete;
    options_file& operator=(const options_file&) = delete;

    const std::string& path() const { return path_; }
    void remove()
    {
        if (!path_.empty())
            ::unlink(path_.c_str());
        path_.clear();
    }

private:
    std::string path_;
};

std::optional<int> pid_of(std::string_view text)
{
    auto end = text.find_first_of("\r\n");
    auto digits = text.substr(0, end);
    while (!digits.empty() && (digits.back() == ' ' || digits.back() == '\t'))
        digits.remove_suffix(1);
    int pid = 0;
    auto [stop, error] = std::from_chars(digits.data(), digits.data() + digits.size(), pid);
    if (error != std::errc() || stop != digits.data() + digits.size() || pid <= 0)
        return std::nullopt;
    return pid;
}

std::optional<std::string> system_interface_address(const std::string& interface)
{
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0)
        return std::nullopt;
    std::optional<std::string> found;
    for (auto* item = list; item && !found; item = item->ifa_next) {
        if (!item->ifa_addr || item->ifa_addr->sa_family != AF_INET || interface != item->ifa_name)
            continue;
        char text[INET_ADDRSTRLEN] = {};
        const auto* address = reinterpret_cast<const sockaddr_in*>(item->ifa_addr);
        if (::inet_ntop(AF_INET, &address->sin_addr, text, sizeof text))
            found = text;
    }
    ::freeifaddrs(list);
    return found;
}

// The interface a pid file names: "ppp0.pid" is ppp0's; "ppp-<link>.pid" gives it on its
// second line.
std::string interface_of(const std::string& pid_file, std::string_view contents)
{
    auto name = fs::path(pid_file).filename().string();
    if (name.compare(0, 4, "ppp-") != 0)
        return name.substr(0, name.size() - 4);
    auto first_end = contents.find('\n');
    if (first_end == std::string_view::npos)
        return {};
    auto rest = contents.substr(first_end + 1);
    return std::string(rest.substr(0, rest.find_first_of("\r\n")));
}

}

bool is_peer_name(std::string_view name)
{
    if (name.empty() || name.size() > max_entry_name || name.front() == '.')
        return false;
    return std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '_'
            || c == '-';
    });
}

std::optional<unsigned> state_of_pppd_line(std::string_view line)
{
    if (line.find("Serial connection established.") != std::string_view::npos)
        return state_connect_device;
    if (line.rfind("Connect: ", 0) == 0)
        return state_authenticate;
    if (line.find("authentication succeeded") != std::string_view::npos)
        return state_authenticated;
    return std::nullopt;
}

std::string called_entry(std::string_view cmdline)
{
    std::vector<std::string_view> words;
    std::size_t start = 0;
    while (start < cmdline.size()) {
        auto end = cmdline.find('\0', start);
        if (end == std::string_view::npos)
            end = cmdline.size();
        words.push_back(cmdline.substr(start, end - start));
        start = end + 1;
    }
    for (std::size_t i = 1; i + 1 < words.size(); ++i) {
        if (words[i] == "call")
            return std::string(words[i + 1]);
    }
    return {};
}

std::optional<std::string> pppd_logon_options(const dial_params& params)
{
    auto user = params.domain.empty() ? params.user : params.domain + "\\" + params.user;
    std::string text;
    auto add = [&text](const char* option, const std::string& value) {
        text += option;
        text += " \"";
        for (char c : value) {
            if (c == '\\' || c == '"')
                text += '\\';
            text += c;
        }
        text += "\"\n";
    };
    const std::string* fields[] = {&user, &params.password};
    for (const auto* field : fields) {
        if (std::any_of(field->begin(), field->end(),
                [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7f; }))
            return std::nullopt;
    }
    if (!user.empty())
        add("user", user);
    if (!params.password.empty())
        add("password", params.password);
    return text;
}

struct pppd_dialup_networking::connection {
    std::string entry;
    unsigned state = state_open_port;
    bool dialling = false;  // pppd has not detached or ended yet
    bool reaping = false;   // its output ended: the dialling pppd is no longer signalled
    bool released = false;
    int dial_pid = 0;       // the pppd started here, while it dials
    int pid = 0;            // the pppd that stays after detaching
    std::thread watcher;
};

pppd_dialup_networking::pppd_dialup_networking(pppd_setup setup) : setup_(std::move(setup))
{
    if (!setup_.interface_address)
        setup_.interface_address = system_interface_address;
}

pppd_dialup_networking::~pppd_dialup_networking()
{
    std::vector<std::shared_ptr<connection>> records;
    {
        std::lock_guard lock(mutex_);
        for (auto& [handle, record] : connections_) {
            // A dial still under way ends with the program; connections that came up stay.
            if (record->dialling && !record->reaping && record->dial_pid > 0)
                ::kill(record->dial_pid, SIGTERM);
            records.push_back(record);
        }
    }
    for (auto& record : records) {
        if (record->watcher.joinable())
            record->watcher.join();
    }
}

bool pppd_dialup_networking::usable()
{
    if (usable_.load())
        return true;
    bool now = ::access(setup_.program.c_str(), X_OK) == 0 && ::access(setup_.peers.c_str(), R_OK | X_OK) == 0;
    if (now)
        usable_.store(true);
    return now;
}

entry_list pppd_dialup_networking::entries()
{
    entry_list list;
    std::error_code error;
    fs::directory_iterator it(setup_.peers, error);
    if (error) {
        list.error = error_cannot_find_entry;
        return list;
    }
    for (const auto& item : it) {
        auto name = item.path().filename().string();
        std::error_code type_error;
        if (is_peer_name(name) && item.is_regular_file(type_error))
            list.names.push_back(name);
    }
    std::sort(list.names.begin(), list.names.end());
    return list;
}

long pppd_dialup_networking::create_entry(std::uintptr_t)
{
    return error_entries_read_only;
}

long pppd_dialup_networking::edit_entry(std::uintptr_t, const std::string&)
{
    return error_entries_read_only;
}

dial_params_result pppd_dialup_networking::get_entry_dial_params(const std::string& entry)
{
    dial_params_result result;
    result.params.entry = entry;
    std::lock_guard lock(params_mutex_);
    auto file = platform::files::read_regular_file(setup_.params_file, max_dial_params_file);
    if (file.result == platform::files::regular_file::outcome::missing)
        return result;
    if (file.result != platform::files::regular_file::outcome::read) {
        result.error = error_dial_params_store;
        return result;
    }
    auto table = parse_dial_params(file.bytes);
    if (auto found = table.entries.find(entry); found != table.entries.end())
        result.params = found->second;
    return result;
}

long pppd_dialup_networking::set_entry_dial_params(const dial_params& params)
{
    if (params.entry.empty() || params.entry.size() > max_entry_name || params.user.size() > max_user
        || params.password.size() > max_password || params.domain.size() > max_domain)
        return error_invalid_parameter;
    std::lock_guard lock(params_mutex_);
    auto file = platform::files::read_regular_file(setup_.params_file, max_dial_params_file);
    if (file.result == platform::files::regular_file::outcome::unusable)
        return error_dial_params_store;
    auto table = parse_dial_params(file.bytes);
    table.entries.insert_or_assign(params.entry, params);
    if (platform::files::atomic_write(setup_.params_file, format_dial_params(table.entries), 0600))
        return error_dial_params_store;
    return 0;
}

dial_start pppd_dialup_networking::dial(const dial_params& params, dial_event on_event)
{
    auto names = entries().names;
    if (!is_peer_name(params.entry) || std::find(names.begin(), names.end(), params.entry) == names.end())
        return {error_cannot_find_entry, 0};
    auto options = pppd_logon_options(params);
    if (!options)
        return {error_invalid_parameter, 0};
    auto record = std::make_shared<connection>();
    record->entry = params.entry;
    record->dialling = true;
    connection_handle handle = 0;
    {
        std::lock_guard lock(mutex_);
        handle = ++last_handle_;
        connections_[handle] = record;
    }
    // The watcher starts pppd so that the options file lives exactly as long as the dial.
    std::promise<long> started;
    auto start_result = started.get_future();
    record->watcher = std::thread([this, record, options = *options, on_event = std::move(on_event),
                                      started = std::move(started)]() mutable {
        std::string error;
        options_file file(setup_.temp, options, error);
        std::unique_ptr<platform::process::child> pppd;
        if (error.empty()) {
            platform::process::spawn_options how;
            how.output_lines = true;
            pppd = platform::process::child::spawn(setup_.program,
                {"call", record->entry, "updetach", "file", file.path()}, how, error);
        }
        if (!pppd) {
            {
                std::lock_guard lock(mutex_);
                record->dialling = false;
                record->released = true;
            }
            started.set_value(error_pppd_exit + 1);
            return;
        }
        {
            std::lock_guard lock(mutex_);
            record->dial_pid = pppd->pid();
        }
        started.set_value(0);
        on_event(state_open_port, 0);
        auto take_line = [&](const std::string& text) {
            auto state = state_of_pppd_line(text);
            if (!state)
                return;
            {
                std::lock_guard lock(mutex_);
                record->state = *state;
            }
            on_event(*state, 0);
        };
        std::optional<platform::process::run_result> ended;
        std::string line;
        for (;;) {
            auto got = pppd->read_line(line, line_wait_ms);
            if (got == platform::process::line_status::ended)
                break;
            if (got == platform::process::line_status::line) {
                take_line(line);
                continue;
            }
            // A pppd that detached may leave its output open in the one that stays: its
            // own end is the end of the dial.
            {
                std::lock_guard lock(mutex_);
                record->reaping = true;
            }
            ended = pppd->wait(0);
            if (ended) {
                std::size_t start = 0;
                while (start < ended->output.size()) {
                    auto stop = ended->output.find('\n', start);
                    if (stop == std::string::npos)
                        stop = ended->output.size();
                    take_line(ended->output.substr(start, stop - start));
                    start = stop + 1;
                }
                break;
            }
            std::lock_guard lock(mutex_);
            record->reaping = false;
        }
        if (!ended) {
            {
                std::lock_guard lock(mutex_);
                record->reaping = true;
            }
            ended = pppd->wait(0xFFFFFFFFu);
        }
        file.remove();
        int code = ended ? ended->exit_code : -1;
        long failure = 0;
        if (code == 0) {
            // pppd detached: the one that stays is found by its pid file.
            auto found = running();
            std::lock_guard lock(mutex_);
            for (const auto& item : found) {
                if (item.entry == record->entry) {
                    record->pid = item.pid;
                    break;
                }
            }
            record->dialling = false;
            record->state = state_connected;
            if (record->pid == 0)
                record->released = true;
        } else {
            failure = error_pppd_exit + (ended && ended->signal ? 5 : std::clamp(code, 1, 99));
            std::lock_guard lock(mutex_);
            record->dialling = false;
            record->released = true;
            record->state = state_disconnected;
        }
        on_event(failure ? state_disconnected : state_connected, failure);
    });
    long error = start_result.get();
    if (error) {
        record->watcher.join();
        std::lock_guard lock(mutex_);
        connections_.erase(handle);
        return {error, 0};
    }
    return {0, handle};
}

std::vector<pppd_dialup_networking::running_pppd> pppd_dialup_networking::running() const
{
    std::vector<running_pppd> found;
    std::error_code error;
    fs::directory_iterator it(setup_.run, error);
    if (error)
        return found;
    for (const auto& item : it) {
        auto name = item.path().filename().string();
        if (name.size() < 8 || name.compare(0, 3, "ppp") != 0 || name.compare(name.size() - 4, 4, ".pid") != 0)
            continue;
        auto contents = read_kernel_file(item.path().string(), max_pid_file);
        if (!contents)
            continue;
        auto pid = pid_of(*contents);
        if (!pid)
            continue;
        auto cmdline = read_kernel_file(setup_.proc + "/" + std::to_string(*pid) + "/cmdline", max_cmdline);
        if (!cmdline)
            continue;
        auto entry = called_entry(*cmdline);
        if (!entry.empty())
            found.push_back({*pid, entry, item.path().string()});
    }
    std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.pid < b.pid; });
    found.erase(std::unique(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.pid == b.pid; }),
        found.end());
    return found;
}

bool pppd_dialup_networking::still_running(int pid, const std::string& entry) const
{
    auto cmdline = read_kernel_file(setup_.proc + "/" + std::to_string(pid) + "/cmdline", max_cmdline);
    return cmdline && called_entry(*cmdline) == entry;
}

connection_handle pppd_dialup_networking::handle_for_pid_locked(const running_pppd& found)
{
    for (const auto& [handle, record] : connections_) {
        if (!record->released && record->pid == found.pid)
            return handle;
    }
    auto record = std::make_shared<connection>();
    record->entry = found.entry;
    record->pid = found.pid;
    record->state = state_connected;
    auto handle = ++last_handle_;
    connections_[handle] = record;
    return handle;
}

connect_status pppd_dialup_networking::status(connection_handle handle)
{
    std::shared_ptr<connection> record;
    {
        std::lock_guard lock(mutex_);
        auto found = connections_.find(handle);
        if (found == connections_.end() || found->second->released)
            return {error_invalid_handle, state_disconnected};
        record = found->second;
        if (record->dialling)
            return {0, record->state};
    }
    if (still_running(record->pid, record->entry))
        return {0, state_connected};
    std::lock_guard lock(mutex_);
    record->released = true;
    return {error_invalid_handle, state_disconnected};
}

connection_list pppd_dialup_networking::active_connections()
{
    auto found = running();
    connection_list list;
    std::lock_guard lock(mutex_);
    for (const auto& [handle, record] : connections_) {
        if (record->dialling && !record->released)
            list.connections.push_back({handle, record->entry});
    }
    for (const auto& item : found)
        list.connections.push_back({handle_for_pid_locked(item), item.entry});
    return list;
}

long pppd_dialup_networking::hang_up(connection_handle handle)
{
    std::shared_ptr<connection> record;
    {
        std::lock_guard lock(mutex_);
        auto found = connections_.find(handle);
        if (found == connections_.end() || found->second->released)
            return error_invalid_handle;
        record = found->second;
        if (record->dialling) {
            // Signalled while its output is open, so never after it was reaped.
            if (!record->reaping && record->dial_pid > 0)
                ::kill(record->dial_pid, SIGTERM);
            return 0;
        }
    }
    if (!still_running(record->pid, record->entry))
        return 0; // already gone: released
    if (::kill(record->pid, SIGTERM) != 0)
        return error_invalid_handle;
    return 0;
}

ip_projection pppd_dialup_networking::projection(connection_handle handle)
{
    int pid = 0;
    {
        std::lock_guard lock(mutex_);
        auto found = connections_.find(handle);
        if (found == connections_.end() || found->second->released)
            return {error_invalid_handle, {}};
        if (found->second->dialling)
            return {error_projection_not_complete, {}};
        pid = found->second->pid;
    }
    for (const auto& item : running()) {
        if (item.pid != pid)
            continue;
        auto contents = read_kernel_file(item.pid_file, max_pid_file);
        auto interface = interface_of(item.pid_file, contents.value_or(""));
        if (interface.empty())
            break;
        if (auto address = setup_.interface_address(interface))
            return {0, *address};
        break;
    }
    return {error_projection_not_complete, {}};
}

}

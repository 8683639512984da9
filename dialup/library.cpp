#include "dialup/library.h"

#include "platform/ras/tcp_table.h"
#include "platform/registry/error_code.h"
#include "platform/ui/ui_host.h"

#include <algorithm>
#include <cstring>
#include <unistd.h>

namespace dunvell {

using platform::registry::hive;
using platform::registry::status;
namespace ras = platform::ras;

namespace {

const char* const configurations_key = "Software\\Holvane\\Talverin\\Configurations";

std::string ras_settings_key(const std::string& name)
{
    return std::string(configurations_key) + "\\" + name + "\\RAS Settings";
}

// Copies as much of the text as fits, always ending the buffer; the length copied.
std::size_t copy_text(const std::string& text, char* buffer, std::uint32_t size)
{
    std::size_t length = std::min<std::size_t>(text.size(), size - 1);
    std::memcpy(buffer, text.data(), length);
    buffer[length] = '\0';
    return length;
}

void trace(const std::string& line)
{
    platform::ui::ui_trace(line);
}

}

// Lets the dial-up layer's threads reach the library only while it exists.
struct Library::callback_anchor {
    std::mutex mutex;
    Library* library = nullptr;
};

Library::Library(platform::registry::store* registry, ras::dialup_networking& ras,
    const platform::strings::string_table& strings, library_hooks hooks, library_timing timing, std::string tcp_table)
    : registry_(registry), ras_(ras), strings_(strings), hooks_(std::move(hooks)), timing_(timing),
      tcp_table_(std::move(tcp_table)), settings_key_(configurations_key), anchor_(std::make_shared<callback_anchor>())
{
    anchor_->library = this;
    // The active configuration's settings are current until the program names another.
    if (!registry_)
        return;
    auto active = registry_->read(hive::current_user, configurations_key, "Active Config");
    if (const auto* name = std::get_if<std::string>(&active.data); active.ok() && name && !name->empty())
        settings_key_ = ras_settings_key(*name);
}

Library::~Library()
{
    {
        std::lock_guard lock(anchor_->mutex);
        anchor_->library = nullptr;
    }
    stop_idle();
}

std::string Library::text(unsigned id) const
{
    return strings_.text(id);
}

std::string Library::settings_key() const
{
    std::lock_guard lock(mutex_);
    return settings_key_;
}

int Library::idle_minutes_waited() const
{
    std::lock_guard lock(mutex_);
    return minutes_waited_;
}

int Library::RASDllOK()
{
    return ras_.usable() ? 1 : 0;
}

int Library::SnmpDllOK()
{
    return ::access(tcp_table_.c_str(), R_OK) == 0 ? 1 : 0;
}

long Library::GetErrorString(long error, char* buffer, std::uint32_t size)
{
    if (!buffer || size == 0)
        return error_invalid_parameter;
    buffer[0] = '\0';
    if (error < 0 || error > 0x7fffffffL - static_cast<long>(error_text_base))
        return error_invalid_parameter;
    const auto& found = strings_.text(error_text_base + static_cast<unsigned>(error));
    if (found.empty())
        return error_invalid_parameter;
    copy_text(found, buffer, size);
    return found.size() < size ? 0 : ras::error_buffer_too_small;
}

int Library::GetStateString(int state, char* buffer, std::uint32_t size)
{
    if (!buffer || size == 0)
        return error_invalid_parameter;
    buffer[0] = '\0';
    unsigned id = 0;
    if (state <= 4)
        id = IDS_DIALING;
    else if (state == 5)
        id = IDS_AUTHENTICATING;
    else if (state == 14)
        id = IDS_AUTHENTICATED;
    else if (state == 8192)
        id = IDS_CONNECTED;
    else
        return 1;
    return static_cast<int>(copy_text(text(id), buffer, size));
}

long Library::SetCurrentConfig(const char* name)
{
    if (!name || std::strlen(name) == 0)
        return error_invalid_parameter; // the Configurations key itself holds no settings
    if (!registry_)
        return error_store_unusable;
    auto key = ras_settings_key(name);
    auto code = registry_->create_key(hive::current_user, key);
    if (code == status::ok) {
        std::lock_guard lock(mutex_);
        settings_key_ = key;
    }
    return platform::registry::error_code(code);
}

std::optional<std::string> Library::read_text(const std::string& name)
{
    if (!registry_)
        return std::nullopt;
    auto found = registry_->read(hive::current_user, settings_key_, name);
    if (const auto* text = std::get_if<std::string>(&found.data); found.ok() && text)
        return *text;
    return std::nullopt;
}

std::optional<std::uint32_t> Library::read_number(const std::string& name)
{
    if (!registry_)
        return std::nullopt;
    auto found = registry_->read(hive::current_user, settings_key_, name);
    if (const auto* number = std::get_if<std::uint32_t>(&found.data); found.ok() && number)
        return *number;
    return std::nullopt;
}

void Library::notify(std::uintptr_t window, unsigned state, long error)
{
    // Posted, never sent: the user-interface thread may itself be waiting on the library.
    if (window && hooks_.post)
        hooks_.post(window, WM_RASDIALEVENT, error ? ras::state_disconnected : state, error);
}

int Library::State()
{
    std::unique_lock lock(mutex_);
    return state_locked(lock);
}

int Library::state_locked(std::unique_lock<std::mutex>&)
{
    // A connection found among the active ones is watched from the first step again, once.
    for (int round = 0; round < 2; ++round) {
        if (last_state_ > 1) {
            if (handle_) {
                auto now = ras_.status(handle_);
                if (now.error == 0) {
                    last_state_ = now.state;
                    return now.state < ras::state_connected ? 0 : now.state == ras::state_connected ? 1 : 2;
                }
            }
            handle_ = 0;
            last_state_ = ras::state_disconnected;
        } else if (handle_) {
            return 0;
        }
        auto active = ras_.active_connections();
        auto entry = read_text("Phonebook Entry");
        if (!entry)
            return 3;
        auto found = std::find_if(active.connections.begin(), active.connections.end(),
            [&](const ras::active_connection& c) { return c.entry == *entry; });
        if (active.error || found == active.connections.end())
            return 2;
        // Not dialled here: watched, never hung up.
        handle_ = found->handle;
        dialled_here_ = false;
        last_state_ = 2;
    }
    return 2;
}

int Library::Dial(std::uintptr_t window)
{
    stop_idle(); // a pending idle hang-up stops
    std::unique_lock lock(mutex_);
    notify_window_ = window;
    dialled_here_ = false;
    int now = state_locked(lock);
    if (now == 0 || now == 1)
        return 1;
    auto entry = read_text("Phonebook Entry");
    if (!entry) {
        notify(window, ras::state_disconnected, ras::error_cannot_find_entry);
        return 0;
    }
    auto params = ras_.get_entry_dial_params(*entry);
    if (params.error) {
        notify(window, ras::state_disconnected, params.error);
        return 0;
    }
    params.params.entry = *entry;
    last_state_ = 0;
    handle_ = 0;
    std::weak_ptr<callback_anchor> anchor = anchor_;
    auto started = ras_.dial(params.params, [anchor](unsigned state, long error) {
        if (auto held = anchor.lock()) {
            std::lock_guard hold(held->mutex);
            if (held->library)
                held->library->on_dial_event(state, error);
        }
    });
    if (started.error) {
        trace("Dunvell_Dial() -- the dial could not start: error " + std::to_string(started.error) + "\n");
        notify(window, ras::state_disconnected, started.error);
        return 0;
    }
    handle_ = started.handle;
    dialled_here_ = handle_ != 0;
    return 1;
}

void Library::on_dial_event(unsigned state, long error)
{
    std::uintptr_t window = 0;
    {
        std::lock_guard lock(mutex_);
        last_state_ = error ? ras::state_disconnected : state;
        window = notify_window_;
    }
    notify(window, state, error);
}

int Library::ConnectionInUse()
{
    ras::connection_handle handle = 0;
    {
        std::unique_lock lock(mutex_);
        if (state_locked(lock) != 1)
            return 0;
        handle = handle_;
    }
    auto link = ras_.projection(handle);
    if (link.error)
        return 0;
    auto address = ras::parse_ipv4(link.address);
    if (!address)
        return 0;
    std::optional<std::string> table;
    if (SnmpDllOK() == 1)
        table = ras::read_tcp_table_file(tcp_table_);
    if (!table) {
        if (hooks_.show_message)
            hooks_.show_message(platform::ui::format_message(text(IDS_TCP_TABLE_UNREADABLE), {tcp_table_}),
                text(IDS_ERROR_CAPTION));
        return 0;
    }
    return ras::carries_live_tcp(ras::parse_tcp_table(*table), *address) ? 1 : 0;
}

void Library::stop_idle()
{
    {
        std::lock_guard lock(mutex_);
        cancelled_ = true;
    }
    cancel_signal_.notify_all();
    std::lock_guard idle_lock(idle_mutex_);
    {
        // A thread started while this one waited for the idle lock is stopped too.
        std::lock_guard lock(mutex_);
        cancelled_ = true;
    }
    cancel_signal_.notify_all();
    if (idle_.joinable())
        idle_.join();
}

void Library::WaitIdle()
{
    std::lock_guard idle_lock(idle_mutex_);
    if (idle_.joinable())
        idle_.join();
}

int Library::GoIdle(int wait)
{
    // A second order replaces the first, which would otherwise hang up as well.
    {
        std::lock_guard lock(mutex_);
        cancelled_ = true;
    }
    cancel_signal_.notify_all();
    std::lock_guard idle_lock(idle_mutex_);
    if (idle_.joinable())
        idle_.join();
    {
        std::lock_guard lock(mutex_);
        if (!handle_ || !dialled_here_)
            return 1;
        cancelled_ = false;
    }
    idle_ = std::thread([this, wait] { idle(wait != 0); });
    if (wait)
        idle_.join();
    return 1;
}

bool Library::wait_cancelled(std::chrono::milliseconds period)
{
    std::unique_lock lock(mutex_);
    return cancel_signal_.wait_for(lock, period, [this] { return cancelled_; });
}

void Library::idle(bool wait)
{
    std::optional<std::uint32_t> mode;
    std::uint32_t delay = 0;
    {
        std::lock_guard lock(mutex_);
        mode = read_number("Disconnection");
        delay = read_number("Delay").value_or(0);
    }
    switch (mode.value_or(0)) {
    case 0:
        return;
    case 1:
        if (ConnectionInUse() == 1)
            return;
        break;
    case 2:
        if (wait)
            break;
        for (std::uint32_t minute = 0; minute < delay; ++minute) {
            if (State() == 2)
                return; // the line is already down
            if (wait_cancelled(timing_.minute))
                return; // a new dial
            std::lock_guard lock(mutex_);
            ++minutes_waited_;
        }
        break;
    default:
        break;
    }
    hang_up(wait);
}

void Library::hang_up(bool wait)
{
    ras::connection_handle handle = 0;
    std::uintptr_t window = 0;
    {
        std::lock_guard lock(mutex_);
        handle = handle_;
        window = notify_window_;
    }
    long error = ras_.hang_up(handle);
    if (error) {
        trace("Dunvell_GoIdle() -- hang-up failed: error " + std::to_string(error) + "\n");
        notify(window, ras::state_disconnected, error);
        return;
    }
    if (!wait)
        return;
    // The line is released a little after the hang-up; the caller waits for it, within a limit.
    auto deadline = std::chrono::steady_clock::now() + timing_.release_limit;
    while (ras_.status(handle).error != ras::error_invalid_handle) {
        if (std::chrono::steady_clock::now() >= deadline) {
            trace("Dunvell_GoIdle() -- the connection was not released within "
                + std::to_string(timing_.release_limit.count()) + " ms\n");
            return;
        }
        if (wait_cancelled(timing_.release_poll))
            return;
    }
    std::lock_guard lock(mutex_);
    if (handle_ == handle) {
        handle_ = 0;
        last_state_ = ras::state_disconnected;
    }
}

int Library::RASCfgDialog(std::uintptr_t parent)
{
    if (RASDllOK() != 1 || !hooks_.settings_dialog)
        return 0;
    return hooks_.settings_dialog(parent, settings_key(), settings_mode);
}

int Library::ShowDialingDlg(std::uintptr_t parent)
{
    if (!hooks_.settings_dialog)
        return 0;
    return hooks_.settings_dialog(parent, settings_key(), dialling_mode);
}

}

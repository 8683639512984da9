#include "platform/testing/scripted_dialup.h"

#include <algorithm>
#include <stdexcept>
#include <thread>

namespace platform::testing {

using namespace platform::ras;

bool scripted_dialup::usable()
{
    std::lock_guard lock(mutex_);
    return is_usable;
}

entry_list scripted_dialup::entries()
{
    std::lock_guard lock(mutex_);
    if (entries_error)
        return {entries_error, {}};
    return {0, entry_names};
}

long scripted_dialup::create_entry(std::uintptr_t)
{
    std::lock_guard lock(mutex_);
    if (create_error)
        return create_error;
    for (auto& name : created_by_dialog)
        entry_names.push_back(name);
    created_by_dialog.clear();
    return 0;
}

long scripted_dialup::edit_entry(std::uintptr_t, const std::string& entry)
{
    std::lock_guard lock(mutex_);
    if (std::find(entry_names.begin(), entry_names.end(), entry) == entry_names.end())
        return error_cannot_find_entry;
    return create_error;
}

dial_params_result scripted_dialup::get_entry_dial_params(const std::string& entry)
{
    std::lock_guard lock(mutex_);
    dial_params_result result;
    result.params.entry = entry;
    if (get_params_error) {
        result.error = get_params_error;
        return result;
    }
    if (auto found = stored_params.find(entry); found != stored_params.end())
        result.params = found->second;
    return result;
}

long scripted_dialup::set_entry_dial_params(const dial_params& params)
{
    std::lock_guard lock(mutex_);
    if (set_params_error)
        return set_params_error;
    stored_params[params.entry] = params;
    params_written_.push_back(params);
    return 0;
}

dial_start scripted_dialup::dial(const dial_params& params, dial_event on_event)
{
    std::lock_guard lock(mutex_);
    dials_.push_back(params);
    if (dial_error)
        return {dial_error, 0};
    if (std::find(entry_names.begin(), entry_names.end(), params.entry) == entry_names.end())
        return {error_cannot_find_entry, 0};
    auto handle = ++last_handle_;
    connections_[handle] = connection {params.entry, state_open_port, false, false, 0, std::move(on_event)};
    last_dial_ = handle;
    return {0, handle};
}

void scripted_dialup::step(unsigned state, long error)
{
    dial_event on_event;
    {
        std::lock_guard lock(mutex_);
        auto found = connections_.find(last_dial_);
        if (found == connections_.end())
            throw std::logic_error("scripted_dialup: no dial to advance");
        auto& record = found->second;
        record.state = error ? state_disconnected : state;
        if (error)
            record.released = true;
        on_event = record.on_event;
    }
    std::thread teller([&] { on_event(state, error); });
    teller.join();
}

ras::connection_handle scripted_dialup::add_outside_connection(const std::string& entry)
{
    std::lock_guard lock(mutex_);
    auto handle = ++last_handle_;
    connections_[handle] = connection {entry, state_connected, false, false, 0, {}};
    return handle;
}

void scripted_dialup::line_down(connection_handle handle)
{
    std::lock_guard lock(mutex_);
    if (auto found = connections_.find(handle); found != connections_.end())
        found->second.released = true;
}

connection_handle scripted_dialup::last_dial() const
{
    std::lock_guard lock(mutex_);
    return last_dial_;
}

connect_status scripted_dialup::status(connection_handle handle)
{
    std::lock_guard lock(mutex_);
    ++status_asks_;
    auto found = connections_.find(handle);
    if (found == connections_.end() || found->second.released)
        return {error_invalid_handle, state_disconnected};
    auto& record = found->second;
    if (record.hanging_up) {
        if (record.asks_left <= 0) {
            record.released = true;
            return {error_invalid_handle, state_disconnected};
        }
        --record.asks_left;
    }
    return {0, record.state};
}

connection_list scripted_dialup::active_connections()
{
    std::lock_guard lock(mutex_);
    connection_list list;
    for (const auto& [handle, record] : connections_) {
        if (!record.released && !record.hanging_up)
            list.connections.push_back({handle, record.entry});
    }
    return list;
}

long scripted_dialup::hang_up(connection_handle handle)
{
    std::lock_guard lock(mutex_);
    auto found = connections_.find(handle);
    if (found == connections_.end() || found->second.released)
        return error_invalid_handle;
    hung_up_.push_back(found->second.entry);
    if (hang_up_error)
        return hang_up_error;
    found->second.hanging_up = true;
    found->second.asks_left = release_after_asks;
    if (release_after_asks == 0)
        found->second.released = true;
    return 0;
}

ip_projection scripted_dialup::projection(connection_handle handle)
{
    std::lock_guard lock(mutex_);
    auto found = connections_.find(handle);
    if (found == connections_.end() || found->second.released)
        return {error_invalid_handle, {}};
    if (projection_error)
        return {projection_error, {}};
    return {0, link_address};
}

std::vector<std::string> scripted_dialup::hung_up() const
{
    std::lock_guard lock(mutex_);
    return hung_up_;
}

std::vector<dial_params> scripted_dialup::dials() const
{
    std::lock_guard lock(mutex_);
    return dials_;
}

std::vector<dial_params> scripted_dialup::params_written() const
{
    std::lock_guard lock(mutex_);
    return params_written_;
}

int scripted_dialup::status_asks() const
{
    std::lock_guard lock(mutex_);
    return status_asks_;
}

}

#pragma once

#include "platform/ras/dialup_networking.h"
#include "platform/registry/registry.h"
#include "platform/strings/string_table.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace dunvell {

inline constexpr long error_invalid_parameter = 87;
inline constexpr long error_store_unusable = 1009;

// The progress message of a dial: wParam the state (8193 after a failure), lParam the error.
inline constexpr std::uint32_t WM_RASDIALEVENT = 0xCCCD;

// The string table's texts: the dial states (1-4), the request for connection parameters
// (5), the connection table that could not be read and its caption, and the error texts,
// each at error_text_base plus its number.
inline constexpr unsigned IDS_DIALING = 1;
inline constexpr unsigned IDS_AUTHENTICATING = 2;
inline constexpr unsigned IDS_AUTHENTICATED = 3;
inline constexpr unsigned IDS_CONNECTED = 4;
inline constexpr unsigned IDS_SPECIFY_PARAMETERS = 5;
inline constexpr unsigned IDS_TCP_TABLE_UNREADABLE = 100;
inline constexpr unsigned IDS_ERROR_CAPTION = 101;
inline constexpr unsigned error_text_base = 100000;

// The two ways the settings dialog runs.
inline constexpr int settings_mode = 1;
inline constexpr int dialling_mode = 2;

// The program the library serves: its user-interface thread's windows and host.
struct library_hooks {
    // Posts a message to a window of the program; false when there is no such window.
    std::function<bool(std::uintptr_t window, std::uint32_t id, std::uintptr_t wparam, std::intptr_t lparam)> post;
    // Shows a message box on the user-interface thread, not waiting for it.
    std::function<void(const std::string& text, const std::string& caption)> show_message;
    // Runs the settings dialog over the settings key in a mode; 0 when it cannot run.
    std::function<int(std::uintptr_t parent, const std::string& settings_key, int mode)> settings_dialog;
};

struct library_timing {
    std::chrono::milliseconds minute {60000};           // one step of the idle wait
    std::chrono::milliseconds release_poll {50};        // asks for the release after a hang-up
    std::chrono::milliseconds release_limit {30000};    // and how long it is waited for
};

// The state behind the library's exports: the store the program's settings live in, the
// system's dial-up networking and the idle-disconnect thread. Every export may be called
// from any thread; one lock guards the connection, its state and the notify window.
class Library {
public:
    // Without a store (the per-user store could not be found) every registry call fails.
    Library(platform::registry::store* registry, platform::ras::dialup_networking& ras,
        const platform::strings::string_table& strings, library_hooks hooks = {}, library_timing timing = {},
        std::string tcp_table = "/proc/net/tcp");
    // Ends a waiting idle thread and waits for it.
    ~Library();
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;

    int RASDllOK();
    int SnmpDllOK();
    long GetErrorString(long error, char* buffer, std::uint32_t size);
    int GetStateString(int state, char* buffer, std::uint32_t size);
    long SetCurrentConfig(const char* name);
    int State();
    int ConnectionInUse();
    int GoIdle(int wait);
    int Dial(std::uintptr_t window);
    int RASCfgDialog(std::uintptr_t parent);
    int ShowDialingDlg(std::uintptr_t parent);

    // The key of the current dial-up settings.
    std::string settings_key() const;
    // Waits for the idle thread to end by itself (as the line is hung up or kept).
    void WaitIdle();
    // Full minutes the idle thread has waited so far.
    int idle_minutes_waited() const;

private:
    struct callback_anchor;

    int state_locked(std::unique_lock<std::mutex>& lock);
    // The settings key's values; nothing when missing or of another type.
    std::optional<std::string> read_text(const std::string& name);
    std::optional<std::uint32_t> read_number(const std::string& name);
    void notify(std::uintptr_t window, unsigned state, long error);
    void on_dial_event(unsigned state, long error);
    // Stops the idle thread (a new dial or a new idle order) and waits for its end.
    void stop_idle();
    void idle(bool wait);
    void hang_up(bool wait);
    // Waits on the cancel signal; true when it was given.
    bool wait_cancelled(std::chrono::milliseconds period);
    std::string text(unsigned id) const;

    platform::registry::store* registry_;
    platform::ras::dialup_networking& ras_;
    const platform::strings::string_table& strings_;
    library_hooks hooks_;
    library_timing timing_;
    std::string tcp_table_;

    mutable std::mutex mutex_;
    std::condition_variable cancel_signal_;
    bool cancelled_ = false;
    std::string settings_key_;
    platform::ras::connection_handle handle_ = 0;
    unsigned last_state_ = platform::ras::state_disconnected;
    bool dialled_here_ = false;
    std::uintptr_t notify_window_ = 0;
    int minutes_waited_ = 0;

    std::mutex idle_mutex_; // the idle thread's start and end
    std::thread idle_;
    std::shared_ptr<callback_anchor> anchor_;
};

}

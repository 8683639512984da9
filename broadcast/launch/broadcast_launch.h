#pragma once

#include "broadcast/job/broadcast_dispatcher.h"
#include "broadcast/launch/launch_services.h"

#include <atomic>
#include <thread>

namespace broadcast {

// The one road from a built job to a transport: the settings dialog, dialling when the
// configuration asks for it, the form's preparation, then the configuration's transport
// (0 FTP, 1 SMTP, 2 Simple MAPI on a worker thread, 3 HTTP(S)). WM_USER+1 reaches the main
// window when a transport has ended. While one broadcast runs, a second is refused.
class broadcast_launch final : public BroadcastDispatcher {
public:
    explicit broadcast_launch(launch_services services) : services_(std::move(services)) { }
    // A Simple MAPI worker still running is asked to stop and waited for (its jthread).
    ~broadcast_launch() override = default;

    // The user-interface thread. The settings dialog's command_aborted passes through.
    void DispatchBroadcast(broadcast_ref job) override;

    // Broadcasting needs the settings dialog.
    bool can_dispatch() const { return static_cast<bool>(services_.run_settings); }
    bool busy() const { return busy_.load(); }

private:
    // Dials and waits while the line connects; false when the broadcast is given up.
    bool dial_up(const std::string& configuration);
    // Transports 1-3: an empty job is stopped with a word to the user; a form is prepared.
    void prepare(quorbis_broadcast& job);
    form_preparation form_preparation_for_view();
    void start_simple_mapi(broadcast_ref job, const launch_account& account);
    void post_broadcast_end();

    launch_services services_;
    std::atomic<bool> busy_ {false};
    std::jthread mapi_worker_;
};

}

#include "broadcast/launch/broadcast_launch.h"

#include "broadcast/child/run_hidden_and_wait.h"
#include "broadcast/job/form_preparation.h"
#include "broadcast/launch/mapi_send_thread.h"

#include "core/log/trace_log.h"
#include "core/util/strings.h"

#include <chrono>
#include <stdexcept>

namespace broadcast {

namespace {

using namespace std::chrono_literals;
using platform::ui::MB_ICONERROR;
using platform::ui::MB_ICONEXCLAMATION;
using platform::ui::MB_OK;

constexpr auto dial_settle_time = 2000ms;
constexpr auto dial_poll_period = 100ms;
constexpr int dial_connecting = 0;
constexpr int dial_connected = 1;

// The busy flag is held until the transport ends; a worker takes it over.
class busy_hold {
public:
    explicit busy_hold(std::atomic<bool>& flag) : flag_(&flag) { }
    ~busy_hold()
    {
        if (flag_)
            flag_->store(false);
    }
    busy_hold(const busy_hold&) = delete;
    busy_hold& operator=(const busy_hold&) = delete;
    void hand_over() { flag_ = nullptr; }

private:
    std::atomic<bool>* flag_;
};

// The name of a transport (0 FTP, 1 SMTP, 3 HTTP(S)) whose slot is empty; null otherwise.
const char* missing_transport(const transport_set& transports, int transport)
{
    if (transport == 0 && !transports.ftp)
        return "FTP";
    if (transport == 1 && !transports.smtp)
        return "SMTP";
    if (transport == 3 && !transports.http)
        return "HTTP(S)";
    return nullptr;
}

}

void broadcast_launch::post_broadcast_end()
{
    services_.queue.post(services_.queue.main_window(), platform::threads::WM_USER + 1);
}

void broadcast_launch::DispatchBroadcast(broadcast_ref job)
{
    if (!job)
        return;
    if (busy_.exchange(true)) {
        TRACE_LOG("CMainFrame::DispatchBroadcast() -- a broadcast is under way: refused\n");
        return;
    }
    busy_hold hold(busy_);
    if (!services_.run_settings)
        throw std::runtime_error("Broadcasting needs the broadcast settings dialog, which this build does not have");
    auto account = services_.account();
    int transport = account.transport.value_or(3);
    if (auto missing = missing_transport(services_.transports, transport))
        throw std::runtime_error(std::string("The ") + missing + " transport is not available in this build");
    services_.run_settings(job);
    if (account.connection == 1) {
        if (services_.dialup.RASDllOK() != 1)
            TRACE_LOG("CMainFrame::DispatchBroadcast() -- dial-up networking is unavailable: sending over the "
                      "existing connection\n");
        else if (!dial_up(account.name))
            return;
    }
    switch (transport) {
    case 0:
        // The FTP broadcaster prepares the form and tests for bodies itself.
        services_.transports.ftp(std::move(job), form_preparation_for_view());
        post_broadcast_end();
        return;
    case 1:
    case 3:
        prepare(*job);
        (transport == 1 ? services_.transports.smtp : services_.transports.http)(std::move(job));
        post_broadcast_end();
        return;
    case 2:
        prepare(*job);
        start_simple_mapi(std::move(job), account);
        hold.hand_over();
        return;
    default:
        TRACE_LOG("CMainFrame::DispatchBroadcast() -- transport %d: nothing to do\n", transport);
        return;
    }
}

void broadcast_launch::prepare(quorbis_broadcast& job)
{
    if (job.bodies.empty()) {
        // The transport still runs and ends at once, sending nothing.
        job.stop_immediately_ = true;
        services_.ui.message_box(20028, MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    job.PreprocessForm(form_preparation_for_view());
}

form_preparation broadcast_launch::form_preparation_for_view()
{
    return form_preparation {services_.form_creation_mode && services_.form_creation_mode(), services_.ui,
        services_.dialogs, services_.greetings_program, services_.greetings_arguments,
        [this](const std::string& program, const std::vector<std::string>& arguments) {
            return run_hidden_and_wait(services_.queue, program, arguments);
        }};
}

bool broadcast_launch::dial_up(const std::string& configuration)
{
    auto& queue = services_.queue;
    services_.dialup.SetCurrentConfig(configuration);
    // The line settles for two seconds from the dial's start before it is asked.
    auto start = services_.ticks.now();
    services_.dialup.Dial(queue.main_window());
    // A window of the wait's own carries the timer that wakes the loop each round.
    auto waker = queue.create_window({});
    queue.set_timer(waker, 1, dial_poll_period);
    int state = dial_connecting;
    bool settled = queue.run_until([&] {
        if (services_.ticks.now() - start < dial_settle_time)
            return false;
        state = services_.dialup.State();
        return state != dial_connecting;
    });
    queue.destroy_window(waker);
    if (!settled) {
        TRACE_LOG("CMainFrame::DispatchBroadcast() -- the program ends while dialling: broadcast abandoned\n");
        return false;
    }
    if (state != dial_connected) {
        services_.ui.message_box(1150, MB_OK | MB_ICONERROR);
        return false;
    }
    return true;
}

void broadcast_launch::start_simple_mapi(broadcast_ref job, const launch_account& account)
{
    auto send = std::make_unique<mapi_send_job>(std::move(job));
    auto settings = services_.settings();
    send->sender = services_.transports.simple_mapi;
    send->recipient = settings.smtp_dest_addr;
    send->inputs.settings = settings.command;
    send->inputs.login_line = account.login;
    send->inputs.version = core::GetProgramVersionString();
    send->main_window = services_.queue.main_window();
    if (mapi_worker_.joinable())
        mapi_worker_.join(); // the last worker has ended: the busy flag was free
    mapi_worker_ = std::jthread([this, send = std::move(send)](std::stop_token stop) mutable {
        mapi_send_thread(std::move(send),
            mapi_worker_services {services_.ui, services_.queue, services_.clock, [this] { busy_.store(false); }},
            stop);
    });
}

}

#include "shell/downloads/download_service.h"

#include "core/log/trace_log.h"
#include "shell/downloads/download_messages.h"
#include "platform/inet/last_error.h"
#include "shell/downloads/download_name.h"

#include <cstdlib>
#include <unistd.h>

namespace shell {

namespace {

const char* picture_kind_word(int kind)
{
    switch (kind) {
    case 0:
        return "picture";
    case 4:
        return "hyperlink";
    case 5:
        return "mailto";
    case 6:
        return "sendfriend";
    default:
        return "clickto";
    }
}

std::string temporary_root()
{
    const char* root = std::getenv("TMPDIR");
    return root && *root ? root : "/tmp";
}

}

std::uint32_t picture_completion_message(int kind)
{
    switch (kind) {
    case 0:
        return WM_PICTURE_DOWNLOADED;
    case 4:
        return WM_HYPERLINK_PICTURE_DOWNLOADED;
    case 5:
        return WM_MAILTO_PICTURE_DOWNLOADED;
    case 6:
        return WM_SENDFRIEND_PICTURE_DOWNLOADED;
    default:
        return WM_CLICKTO_PICTURE_DOWNLOADED;
    }
}

DownloadService::DownloadService(DownloadServices services, DownloadSettings settings)
    : services_(std::move(services)), settings_(std::move(settings))
{
    if (settings_.most_at_once == 0)
        settings_.most_at_once = 1;
}

DownloadService::~DownloadService()
{
    shutdown();
}

void DownloadService::DownloadPicture(std::int32_t id, std::string address, platform::ui::window_id notify, int kind,
    std::int32_t keep_name, std::uint64_t document_serial)
{
    TRACE_LOG("%s: start, picture url: %s, object type: %s\n", "DownloadPicture()", masked_address(address).c_str(),
        picture_kind_word(kind));
    CDownloadedPicture picture(id, {}, std::move(address), notify, picture_completion_message(kind),
        kind == 3 ? 1 : 0, keep_name);
    picture.document_serial = document_serial;
    start(std::move(picture));
    TRACE_LOG("%s: finish, started WinThread: = %x\n", "DownloadPicture()", static_cast<unsigned>(pending()));
}

void DownloadService::DownloadPullFile(std::int32_t id, std::string pullfile_address, std::string picture_address,
    platform::ui::window_id notify, std::int32_t keep_pullfile_name, std::int32_t keep_picture_name,
    std::uint64_t document_serial)
{
    TRACE_LOG("%s: start, file url: %s, picture URL: %s\n", "DownloadPullFile()",
        masked_address(pullfile_address).c_str(), masked_address(picture_address).c_str());
    CDownloadedPullfile pullfile(id, {}, std::move(pullfile_address), {}, std::move(picture_address), notify,
        WM_PULLFILE_DOWNLOADED, keep_pullfile_name, keep_picture_name);
    pullfile.document_serial = document_serial;
    start(std::move(pullfile));
    TRACE_LOG("%s: finish, started WinThread: = %x\n", "DownloadPullFile()", static_cast<unsigned>(pending()));
}

std::size_t DownloadService::pending() const
{
    const std::lock_guard hold(mutex_);
    return queue_.size() + busy_;
}

DownloadProgress DownloadService::progress() const
{
    const std::lock_guard hold(mutex_);
    return progress_;
}

bool DownloadService::wait_until_idle(std::chrono::milliseconds most) const
{
    std::unique_lock lock(mutex_);
    return idle_changed_.wait_for(lock, most, [this] { return queue_.empty() && busy_ == 0; });
}

void DownloadService::start(std::variant<CDownloadedPicture, CDownloadedPullfile> object)
{
    auto landing = folder();
    const std::lock_guard hold(mutex_);
    if (shut_) {
        TRACE_LOG("%s: refused, the downloads are shut down\n", "DownloadService::start()");
        return;
    }
    queue_.push_back({std::move(object), std::move(landing)});
    if (idle_ == 0 && workers_.size() < settings_.most_at_once)
        workers_.emplace_back([this, stop = stop_.get_token()](std::stop_token) { this->work(stop); });
    wake_.notify_one();
}

void DownloadService::shutdown()
{
    std::vector<std::jthread> workers;
    {
        const std::lock_guard hold(mutex_);
        shut_ = true;
        queue_.clear();
        idle_changed_.notify_all();
        workers.swap(workers_);
    }
    stop_.request_stop();
    wake_.notify_all();
    workers.clear(); // joins
    const std::lock_guard hold(mutex_);
    if (session_) {
        services_.internet->close_handle(session_);
        session_ = nullptr;
    }
}

void DownloadService::work(std::stop_token stop)
{
    std::unique_lock lock(mutex_);
    for (;;) {
        ++idle_;
        wake_.wait(lock, stop, [this] { return !queue_.empty(); });
        --idle_;
        if (stop.stop_requested())
            return;
        job next = std::move(queue_.front());
        queue_.pop_front();
        ++busy_;
        lock.unlock();
        try {
            std::visit([&](auto& object) { run(object, next.folder, stop); }, next.object);
        } catch (const std::exception& error) {
            TRACE_LOG("%s: the download failed: %s\n", "DownloadService::work()", error.what());
        } catch (...) {
            TRACE_LOG("%s: the download failed\n", "DownloadService::work()");
        }
        lock.lock();
        --busy_;
        idle_changed_.notify_all();
    }
}

void DownloadService::run(CDownloadedPicture& picture, const std::string& folder, std::stop_token stop)
{
    TRACE_LOG("%s: start\n", "DownloadPicThread()");
    post_status(picture.window, download_status_started, stop);
    auto path = fetch(picture.address, folder, picture.keep_name != 0, true, stop);
    TRACE_LOG("%s: downloadFile() finished, local file name: %s\n", "DownloadPicThread()", path.c_str());
    post_status(picture.window, 0, stop);
    if (!path.empty()) {
        if (stop.stop_requested()) {
            ::unlink(path.c_str());
        } else {
            picture.local_path = std::move(path);
            services_.results.set(picture);
            post_completion(picture, stop);
        }
    }
    TRACE_LOG("%s: finish\n", "DownloadPicThread()");
}

void DownloadService::run(CDownloadedPullfile& pullfile, const std::string& folder, std::stop_token stop)
{
    constexpr const char* name = "DownloadPullFileThread()";
    TRACE_LOG("%s: start\n", name);
    post_status(pullfile.window, download_status_started, stop);
    if (!pullfile.pullfile_address.empty()) {
        TRACE_LOG("%s: trying to download pull file\n", name);
        pullfile.local_pullfile_path
            = fetch(pullfile.pullfile_address, folder, pullfile.keep_pullfile_name != 0, false, stop);
        TRACE_LOG("%s: downloadFile() finished, local pull file name: %s\n", name,
            pullfile.local_pullfile_path.c_str());
    }
    if (!pullfile.picture_address.empty()) {
        TRACE_LOG("%s: trying to download image file\n", name);
        pullfile.local_picture_path
            = fetch(pullfile.picture_address, folder, pullfile.keep_picture_name != 0, true, stop);
        TRACE_LOG("%s: downloadFile() finished, local image file name: %s\n", name,
            pullfile.local_picture_path.c_str());
    }
    post_status(pullfile.window, 0, stop);
    if (!pullfile.local_pullfile_path.empty() || !pullfile.local_picture_path.empty()) {
        if (stop.stop_requested()) {
            for (const auto* path : {&pullfile.local_pullfile_path, &pullfile.local_picture_path})
                if (!path->empty())
                    ::unlink(path->c_str());
        } else {
            services_.results.set(pullfile);
            post_completion(pullfile, stop);
        }
    }
    TRACE_LOG("%s: finish\n", name);
}

std::string DownloadService::fetch(const std::string& address, const std::string& folder, bool keep_name,
    bool picture, std::stop_token stop)
{
    platform::inet::hinternet session = nullptr;
    {
        const std::lock_guard hold(mutex_);
        if (!session_)
            session_ = services_.internet->open(settings_.agent, settings_.access_type, settings_.proxy, {}, 0);
        session = session_;
    }
    if (!session) {
        TRACE_LOG("%s: no internet session: %s\n", "DownloadService::fetch()",
            platform::inet::last_response().c_str());
        return {};
    }
    download_request request;
    request.address = address;
    request.folder = folder;
    if (request.folder.empty())
        return {};
    request.pull_format = !keep_name;
    request.picture = picture;
    request.max_body = settings_.max_body;
    request.stop = std::move(stop);
    // Only transfers of known length count; what one added leaves with it.
    DownloadProgress mine;
    request.length_known = [&](std::uint64_t length) {
        const std::lock_guard hold(mutex_);
        mine.total = length;
        progress_.total += length;
    };
    request.taken = [&](std::uint64_t bytes) {
        if (mine.total == 0)
            return;
        const std::lock_guard hold(mutex_);
        mine.received += bytes;
        progress_.received += bytes;
    };
    auto path = download_file(*services_.internet, session, request);
    const std::lock_guard hold(mutex_);
    progress_.total -= mine.total;
    progress_.received -= mine.received;
    return path;
}

std::string DownloadService::folder()
{
    if (services_.working_folder) {
        auto given = services_.working_folder();
        if (!given.empty())
            return given;
    }
    const std::lock_guard hold(mutex_);
    if (private_folder_.empty()) {
        std::string pattern = temporary_root() + "/talverin-downloads-XXXXXX";
        if (!::mkdtemp(pattern.data())) {
            TRACE_LOG("%s: the download folder cannot be made in %s\n", "DownloadService::folder()",
                temporary_root().c_str());
            return {};
        }
        private_folder_ = pattern;
        if (services_.delete_at_exit)
            services_.delete_at_exit(private_folder_);
    }
    return private_folder_;
}

void DownloadService::post_status(platform::ui::window_id window, std::uintptr_t status, const std::stop_token& stop)
{
    if (!stop.stop_requested())
        services_.queue.post(window, WM_DOWNLOAD_STATUS, status, 0);
}

void DownloadService::post_completion(const CDownloadedObject& object, const std::stop_token& stop)
{
    if (stop.stop_requested())
        return;
    if (!services_.queue.post(object.window, object.message, static_cast<std::uintptr_t>(object.id), 0))
        services_.queue.post(services_.queue.main_window(), object.message, static_cast<std::uintptr_t>(object.id), 0);
}

}

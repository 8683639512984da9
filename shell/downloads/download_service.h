#pragma once

#include "platform/inet/inet_constants.h"
#include "platform/inet/internet.h"
#include "platform/prompts/message_box.h"
#include "platform/ui/message_queue.h"
#include "shell/downloads/download_file.h"
#include "shell/objects/download_results.h"
#include "shell/objects/downloaded_objects.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <stop_token>
#include <string>
#include <thread>
#include <variant>
#include <vector>

namespace shell {

class TemporaryPaths;

// The bytes taken and announced of the transfers now running whose length is known; the
// frame shows received / total in pane 3103, reading it at most ten times a second.
struct DownloadProgress {
    std::uint64_t received = 0;
    std::uint64_t total = 0;
};

struct DownloadSettings {
    std::string agent = platform::prompts::application_title;
    std::uint32_t access_type = platform::inet::open_type_preconfig;
    std::string proxy;
    std::uint64_t max_body = default_download_cap;
    std::size_t most_at_once = 8; // transfers at once; the rest wait their turn
};

// What the downloads use of the program.
struct DownloadServices {
    std::shared_ptr<platform::inet::internet> internet;
    platform::ui::MessageQueue& queue;     // status and completion posts
    DownloadResults& results;              // where finished downloads are filed
    // The document manager's working folder, asked on the thread that starts a download;
    // empty when it has none, and the downloads then go to a private folder of their own
    // (mode 0700 under TMPDIR), deleted at exit.
    std::function<std::string()> working_folder;
    // Records a path to delete at exit.
    std::function<void(const std::string&)> delete_at_exit;
};

// The background downloads of pictures and pull files. Workers (at most most_at_once, made
// as needed) share one internet session; each download posts WM_DOWNLOAD_STATUS 3103 and 0
// to its notify window around its transfer, files its result and posts the completion
// message to the notify window, or to the main window when that one is gone. The
// destructor shuts down.
class DownloadService {
public:
    DownloadService(DownloadServices services, DownloadSettings settings = {});
    ~DownloadService();
    DownloadService(const DownloadService&) = delete;
    DownloadService& operator=(const DownloadService&) = delete;

    // A picture of the object kind (0-7); keep_name 0 gives the file the pull form.
    void DownloadPicture(std::int32_t id, std::string address, platform::ui::window_id notify, int kind,
        std::int32_t keep_name, std::uint64_t document_serial = 0);
    // A pull file and its picture; an empty address skips that half.
    void DownloadPullFile(std::int32_t id, std::string pullfile_address, std::string picture_address,
        platform::ui::window_id notify, std::int32_t keep_pullfile_name, std::int32_t keep_picture_name,
        std::uint64_t document_serial = 0);

    // Downloads queued or running.
    std::size_t pending() const;
    // Any thread.
    DownloadProgress progress() const;
    // Waits at most that long until no download is queued or running; whether none is.
    bool wait_until_idle(std::chrono::milliseconds most) const;
    // Stops every transfer (their files are deleted, nothing more is filed or posted),
    // drops the queued ones and joins the workers; later downloads are refused.
    void shutdown();

private:
    struct job {
        std::variant<CDownloadedPicture, CDownloadedPullfile> object;
        std::string folder; // where its files land, fixed when it starts
    };

    void start(std::variant<CDownloadedPicture, CDownloadedPullfile> object);
    void work(std::stop_token stop);
    void run(CDownloadedPicture& picture, const std::string& folder, std::stop_token stop);
    void run(CDownloadedPullfile& pullfile, const std::string& folder, std::stop_token stop);
    std::string fetch(const std::string& address, const std::string& folder, bool keep_name, bool picture,
        std::stop_token stop);
    std::string folder();
    void post_status(platform::ui::window_id window, std::uintptr_t status, const std::stop_token& stop);
    void post_completion(const CDownloadedObject& object, const std::stop_token& stop);

    DownloadServices services_;
    DownloadSettings settings_;

    mutable std::mutex mutex_;
    std::condition_variable_any wake_;
    mutable std::condition_variable_any idle_changed_;
    std::deque<job> queue_;
    std::size_t idle_ = 0;
    std::size_t busy_ = 0;
    bool shut_ = false;
    platform::inet::hinternet session_ = nullptr;
    std::string private_folder_;
    DownloadProgress progress_; // under mutex_
    std::stop_source stop_;
    std::vector<std::jthread> workers_;
};

}

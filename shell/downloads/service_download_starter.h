#pragma once

#include "shell/downloads/download_service.h"
#include "shell/view/view_services.h"

namespace shell {

// The views' downloads through the download service: the refresh choice goes along as the
// keep-name flag, the frame's window hears of the transfer, and the result is filed with
// the serial of the document that asked. The service names the local files itself.
class ServiceDownloadStarter final : public DownloadStarter {
public:
    explicit ServiceDownloadStarter(DownloadService& service) : service_(service) { }

    void start_object(const std::string& local_path, const std::string& address, std::int32_t id, int kind,
        bool refresh, std::uintptr_t notify_window, std::uint64_t document_serial) override;
    void start_pull_file(const std::string& pull_path, const std::string& picture_path,
        const std::string& pull_address, const std::string& picture_address, std::int32_t id, bool refresh_pull,
        bool refresh_picture, std::uintptr_t notify_window, std::uint64_t document_serial) override;

private:
    DownloadService& service_;
};

}

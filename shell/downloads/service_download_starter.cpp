#include "shell/downloads/service_download_starter.h"

namespace shell {

void ServiceDownloadStarter::start_object(const std::string&, const std::string& address, std::int32_t id, int kind,
    bool refresh, std::uintptr_t notify_window, std::uint64_t document_serial)
{
    service_.DownloadPicture(id, address, notify_window, kind, refresh ? 1 : 0, document_serial);
}

void ServiceDownloadStarter::start_pull_file(const std::string&, const std::string&, const std::string& pull_address,
    const std::string& picture_address, std::int32_t id, bool refresh_pull, bool refresh_picture,
    std::uintptr_t notify_window, std::uint64_t document_serial)
{
    service_.DownloadPullFile(id, pull_address, picture_address, notify_window, refresh_pull ? 1 : 0,
        refresh_picture ? 1 : 0, document_serial);
}

}

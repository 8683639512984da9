#include "shell/objects/download_results.h"

namespace shell {

void DownloadResults::set(const CDownloadedPicture& picture)
{
    const std::lock_guard hold(lock_);
    map_of(picture.clickto != 0 ? pictures::clickto : pictures::ordinary).insert_or_assign(picture.id, picture);
}

void DownloadResults::set(const CDownloadedPullfile& pullfile)
{
    const std::lock_guard hold(lock_);
    pullfiles_.insert_or_assign(pullfile.id, pullfile);
}

std::optional<CDownloadedPicture> DownloadResults::find_picture(pictures which, std::int32_t id) const
{
    const std::lock_guard hold(lock_);
    const auto& map = map_of(which);
    const auto found = map.find(id);
    if (found == map.end())
        return std::nullopt;
    return found->second;
}

std::optional<CDownloadedPullfile> DownloadResults::find_pullfile(std::int32_t id) const
{
    const std::lock_guard hold(lock_);
    const auto found = pullfiles_.find(id);
    if (found == pullfiles_.end())
        return std::nullopt;
    return found->second;
}

void DownloadResults::erase_picture(pictures which, std::int32_t id)
{
    const std::lock_guard hold(lock_);
    map_of(which).erase(id);
}

void DownloadResults::erase_pullfile(std::int32_t id)
{
    const std::lock_guard hold(lock_);
    pullfiles_.erase(id);
}

}

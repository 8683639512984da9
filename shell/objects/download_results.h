#pragma once

#include "shell/objects/downloaded_objects.h"

#include <cstdint>
#include <mutex>
#include <optional>
#include <unordered_map>

namespace shell {

// Finished downloads by object id, handed from the download workers to the user-interface
// thread: pictures, click-to pictures and pull files in three maps under one lock.
class DownloadResults {
public:
    enum class pictures { ordinary, clickto };

    // Files the result under its id, replacing an earlier one; a picture goes with the
    // click-to pictures when its click-to flag is set.
    void set(const CDownloadedPicture& picture);
    void set(const CDownloadedPullfile& pullfile);

    std::optional<CDownloadedPicture> find_picture(pictures which, std::int32_t id) const;
    std::optional<CDownloadedPullfile> find_pullfile(std::int32_t id) const;

    void erase_picture(pictures which, std::int32_t id);
    void erase_pullfile(std::int32_t id);

private:
    using picture_map = std::unordered_map<std::int32_t, CDownloadedPicture>;
    picture_map& map_of(pictures which) { return which == pictures::clickto ? clickto_pictures_ : pictures_; }
    const picture_map& map_of(pictures which) const
    {
        return which == pictures::clickto ? clickto_pictures_ : pictures_;
    }

    mutable std::mutex lock_;
    picture_map pictures_;
    picture_map clickto_pictures_;
    std::unordered_map<std::int32_t, CDownloadedPullfile> pullfiles_;
};

}

#pragma once

#include <cstdint>
#include <string>

namespace shell {

// One background download of a picture or pull file, from its start to the frame that
// applies its result. Copies copy every field.
struct CDownloadedObject {
    CDownloadedObject() = default;
    CDownloadedObject(std::int32_t id, std::uintptr_t window, std::uint32_t message)
        : id(id), window(window), message(message)
    {
    }
    virtual ~CDownloadedObject() = default;
    CDownloadedObject(const CDownloadedObject&) = default;
    CDownloadedObject& operator=(const CDownloadedObject&) = default;

    std::int32_t id = 0;          // the number of the object that asked; the result is filed under it
    std::uintptr_t window = 0;    // receives the progress and completion messages
    std::uint32_t message = 0;    // posted when the download produced a file
    // The serial of the document that asked: object ids restart with each document, so a
    // result is applied only to the document it was started for.
    std::uint64_t document_serial = 0;
};

struct CDownloadedPicture : CDownloadedObject {
    CDownloadedPicture() = default;
    CDownloadedPicture(std::int32_t id, std::string local_path, std::string address, std::uintptr_t window,
        std::uint32_t message, std::int32_t clickto, std::int32_t keep_name)
        : CDownloadedObject(id, window, message), local_path(std::move(local_path)), address(std::move(address)),
          clickto(clickto), keep_name(keep_name)
    {
    }

    std::string local_path;   // filled by the download
    std::string address;      // the URL to fetch
    std::int32_t clickto = 0; // non-zero: the picture of a click-to, filed with the click-to pictures
    std::int32_t keep_name = 0; // 0: the local file takes the pull-placeholder form
};

struct CDownloadedPullfile : CDownloadedObject {
    CDownloadedPullfile() = default;
    CDownloadedPullfile(std::int32_t id, std::string local_pullfile_path, std::string pullfile_address,
        std::string local_picture_path, std::string picture_address, std::uintptr_t window, std::uint32_t message,
        std::int32_t keep_pullfile_name, std::int32_t keep_picture_name)
        : CDownloadedObject(id, window, message), local_pullfile_path(std::move(local_pullfile_path)),
          local_picture_path(std::move(local_picture_path)), pullfile_address(std::move(pullfile_address)),
          picture_address(std::move(picture_address)), keep_pullfile_name(keep_pullfile_name),
          keep_picture_name(keep_picture_name)
    {
    }

    std::string local_pullfile_path;
    std::string local_picture_path;
    std::string pullfile_address;
    std::string picture_address;
    std::int32_t keep_pullfile_name = 0;
    std::int32_t keep_picture_name = 0;
};

}

#pragma once

#include "platform/inet/internet.h"

#include <cstdint>
#include <functional>
#include <stop_token>
#include <string>

namespace shell {

inline constexpr std::uint64_t default_download_cap = std::uint64_t {1} << 30; // 1 GiB

// One fetch: the address, the folder it lands in and its bounds.
struct download_request {
    std::string address;             // http, https or ftp
    std::string folder;              // made (0700) when missing
    bool pull_format = false;        // the file takes the "[pull name=...]" form
    bool picture = false;            // the body must be a picture (core::picture_format)
    std::uint64_t max_body = default_download_cap;
    std::stop_token stop;
    // Told the announced length once it is known (http and https), then the bytes of each
    // block taken.
    std::function<void(std::uint64_t length)> length_known;
    std::function<void(std::uint64_t bytes)> taken;
};

// Fetches the address through the session into a new file of the folder and returns its
// path, or "" on any failure (traced; nothing of it is left on disk). The file is named by
// download_file_name and download_candidate and created exclusively, so concurrent fetches
// never share a file; a candidate is free only when neither its plain nor its pull form
// exists. An http(s) answer must be 2xx (a 407 asks the layer's proxy prompt and retries
// while the user gives a login); a body shorter than announced, longer than the cap, cut,
// stopped, or (for a picture) not a picture fails. Never throws.
std::string download_file(platform::inet::internet& layer, platform::inet::hinternet session,
    const download_request& request);

}

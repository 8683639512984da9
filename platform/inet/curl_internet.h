#pragma once

#include "platform/inet/internet.h"

#include <memory>

namespace platform::inet {

// The real internet layer over libcurl: a session shares connections, cookies, DNS and TLS
// sessions (CURLSH); a request is one transfer. Handles keep the layer alive.
std::shared_ptr<internet> make_curl_internet(internet_options options = {});

}

#pragma once

#include <curl/curl.h>

#include <cstdint>
#include <string>

namespace platform::inet {

struct transfer_failure {
    std::uint32_t error;
    std::string message; // our phrase, then libcurl's own text when it has one
};

// What a failed transfer reports: the error number for libcurl's result, the certificate
// verification result and the system error of the socket.
transfer_failure describe_curl_failure(CURLcode code, long verify_result, long os_errno, const std::string& curl_text);

}

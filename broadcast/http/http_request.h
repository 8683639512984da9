#pragma once

#include "platform/inet/internet.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <stop_token>
#include <string>

namespace broadcast {

// Result codes of posting a request file to the gateway.
enum http_request_code : int {
    http_posted = 0,            // 2xx and STATUS_NUMBER 0: the text is the job number
    http_bad_url = 1,
    http_no_connection = 2,     // or a failure of the internet layer at any step
    http_no_request = 3,
    http_proxy_refused = 4,     // the proxy asked for a login and the user gave none
    http_bad_status = 5,        // the HTTP status was outside 200-299
    http_not_accepted = 6,      // STATUS_NUMBER not 0: the text is the service's description
    http_unrecognised_reply = 7 // no gateway reply (a proxy's or portal's page), or over 1 MiB
};

struct http_request_settings {
    std::string url;
    bool secure = false;   // the HTTPS switch: the secure flag on the request
    std::string agent;     // the user agent
    std::uint32_t access_type = 0;
    std::stop_token stop;  // a stop while the body goes out aborts the request
    std::function<void(std::uint64_t sent, std::uint64_t total)> upload_progress;
};

struct http_request_result {
    int code = http_no_connection;
    std::string text;  // the job number (code 0) or the service's description (code 6)
    std::string cause; // one line naming what failed, for the user; empty on success
    bool cancelled = false; // stopped before the whole body was sent
};

// Posts the request file (streamed, never read whole) as an HTTP/1.0 POST with the one
// header "Content-Type: application/x-www-form-urlencoded" and reads the gateway's reply.
// A 407 asks the layer's proxy prompt and, when the user gives a login, sends the whole
// request again on a new connection. A stop after the last byte went out does not abort:
// the outcome is waited for (bounded by the layer's time-outs).
http_request_result processHTTPRequest(const std::shared_ptr<platform::inet::internet>& layer,
    const std::string& file, const http_request_settings& settings);

}

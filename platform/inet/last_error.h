#pragma once

#include <cstdint>
#include <string>

namespace platform::inet {

// The calling thread's last error of the internet layer and the text that goes with it
// (the server's last response or our description of the failure).
std::uint32_t last_error();
const std::string& last_response();

// Records a failure on the calling thread; returns false so a failing call can end with it.
bool fail(std::uint32_t error, std::string text);
// Records success: error 0 and the text unchanged.
void clear_last_error();

}

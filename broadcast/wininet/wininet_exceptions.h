#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

// A failed WinINet call: its text and the WinINet error code.
struct http_winapi_exception : std::runtime_error {
    http_winapi_exception(const std::string& text, std::uint32_t error) : std::runtime_error(text), error(error) { }
    std::uint32_t error;
};

// WININET or one of its entries could not be bound; carries the system error of the load.
struct wininet_dll_failure : http_winapi_exception {
    wininet_dll_failure(const std::string& text, std::uint32_t system_error)
        : http_winapi_exception(text, 0), system_error(system_error)
    {
    }
    std::uint32_t system_error;
};

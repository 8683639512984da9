#pragma once

#include <cstdint>
#include <exception>
#include <stdexcept>
#include <string>

namespace platform::com {

using hresult = std::int32_t;

inline constexpr hresult S_OK = 0;
inline constexpr hresult S_FALSE = 1;
inline constexpr hresult E_NOTIMPL = static_cast<hresult>(0x80004001);
inline constexpr hresult E_NOINTERFACE = static_cast<hresult>(0x80004002);
inline constexpr hresult E_POINTER = static_cast<hresult>(0x80004003);
inline constexpr hresult E_ABORT = static_cast<hresult>(0x80004004);
inline constexpr hresult E_FAIL = static_cast<hresult>(0x80004005);
inline constexpr hresult E_UNEXPECTED = static_cast<hresult>(0x8000FFFF);
inline constexpr hresult E_ACCESSDENIED = static_cast<hresult>(0x80070005);
inline constexpr hresult E_OUTOFMEMORY = static_cast<hresult>(0x8007000E);
inline constexpr hresult E_INVALIDARG = static_cast<hresult>(0x80070057);

constexpr bool failed(hresult hr) { return hr < 0; }
constexpr bool succeeded(hresult hr) { return hr >= 0; }

// An HRESULT carrying a system error code (an errno value on this platform).
constexpr hresult hresult_from_system_code(std::uint32_t code)
{
    return static_cast<hresult>(0x80070000u | (code & 0xFFFFu));
}

// The message text of an HRESULT: the system's text for one made from a system code,
// fixed texts for the common COM codes, otherwise empty.
std::string system_message(hresult hr);

// A failed COM call, raised where the caller cannot go on.
class com_error : public std::runtime_error {
public:
    explicit com_error(hresult hr);
    hresult code() const { return code_; }

private:
    hresult code_;
};

}

namespace platform::ui {

// Ends the current command without a further message: the user was already told.
class command_aborted : public std::exception {
public:
    const char* what() const noexcept override { return "command aborted"; }
};

}

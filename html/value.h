#pragma once

// Values and status codes of the HTML document interface.

#include "platform/com/com_error.h"

#include <cstdint>
#include <string>
#include <variant>

namespace html {

using platform::com::hresult;
using platform::com::E_FAIL;
using platform::com::E_INVALIDARG;
using platform::com::E_NOTIMPL;
using platform::com::E_OUTOFMEMORY;
using platform::com::E_POINTER;
using platform::com::E_UNEXPECTED;
using platform::com::S_FALSE;
using platform::com::S_OK;
using platform::com::failed;
using platform::com::succeeded;

inline constexpr hresult E_PENDING = static_cast<hresult>(0x8000000A);
inline constexpr hresult OLECMDERR_E_NOTSUPPORTED = static_cast<hresult>(0x80040100);
inline constexpr hresult OLECMDERR_E_DISABLED = static_cast<hresult>(0x80040101);

// A property or argument value: empty, text, 32-bit integer, truth value or 16-bit integer.
class value {
public:
    enum class kind { empty, text, int32, boolean, int16 };

    value() = default;
    value(std::string text) : data_(std::move(text)) { }
    value(const char* text) : data_(std::string(text)) { }
    value(std::int32_t number) : data_(number) { }
    value(bool flag) : data_(flag) { }
    value(std::int16_t number) : data_(number) { }

    kind type() const { return static_cast<kind>(data_.index()); }
    bool empty() const { return type() == kind::empty; }
    bool is_text() const { return type() == kind::text; }

    const std::string& text() const { return std::get<std::string>(data_); }
    std::int32_t int32() const { return std::get<std::int32_t>(data_); }
    bool boolean() const { return std::get<bool>(data_); }
    std::int16_t int16() const { return std::get<std::int16_t>(data_); }

    // The value as text: numbers in decimal, truth values "true"/"false", empty as "".
    std::string to_text() const;
    // The value as a number: text read as a decimal (0 when it is none), truth values 0/1.
    std::int32_t to_int32() const;

    bool operator==(const value&) const = default;

private:
    std::variant<std::monostate, std::string, std::int32_t, bool, std::int16_t> data_;
};

}

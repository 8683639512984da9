#include "platform/com/com_error.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <utility>

namespace platform::com {

namespace {

constexpr std::array<std::pair<hresult, const char*>, 7> fixed_texts {{
    {E_NOTIMPL, "Not implemented"},
    {E_NOINTERFACE, "No such interface supported"},
    {E_POINTER, "Invalid pointer"},
    {E_ABORT, "Operation aborted"},
    {E_FAIL, "Unspecified error"},
    {E_UNEXPECTED, "Catastrophic failure"},
    {S_OK, "The operation completed successfully."},
}};

std::string hex_text(hresult hr)
{
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%08X", static_cast<unsigned>(hr));
    return buffer;
}

}

std::string system_message(hresult hr)
{
    auto bits = static_cast<std::uint32_t>(hr);
    if ((bits & 0xFFFF0000u) == 0x80070000u) {
        char buffer[256];
        // The GNU strerror_r returns its text, which need not be the buffer.
        const char* text = strerror_r(static_cast<int>(bits & 0xFFFFu), buffer, sizeof buffer);
        return text ? std::string(text) : std::string();
    }
    for (const auto& [code, text] : fixed_texts) {
        if (code == hr)
            return text;
    }
    return {};
}

com_error::com_error(hresult hr)
    : std::runtime_error([hr] {
        auto text = system_message(hr);
        return text.empty() ? "COM error " + hex_text(hr) : text + " (" + hex_text(hr) + ")";
    }())
    , code_(hr)
{
}

}

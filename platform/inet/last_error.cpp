#include "platform/inet/last_error.h"

#include <utility>

namespace platform::inet {

namespace {

struct thread_error {
    std::uint32_t error = 0;
    std::string response;
};

thread_error& current()
{
    thread_local thread_error state;
    return state;
}

}

std::uint32_t last_error()
{
    return current().error;
}

const std::string& last_response()
{
    return current().response;
}

bool fail(std::uint32_t error, std::string text)
{
    current().error = error;
    current().response = std::move(text);
    return false;
}

void clear_last_error()
{
    current().error = 0;
}

}

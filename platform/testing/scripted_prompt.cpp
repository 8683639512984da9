#include "platform/testing/scripted_prompt.h"

#include <gtest/gtest.h>

namespace platform::testing {

scripted_prompt::~scripted_prompt()
{
    for (const auto& left : expected_)
        ADD_FAILURE() << "expected message box never shown: \"" << left.text << "\"";
}

void scripted_prompt::expect(std::string text, unsigned type, int answer)
{
    expected_.push_back({std::move(text), type, answer});
}

int scripted_prompt::message_box(const prompts::message_box_request& request)
{
    if (expected_.empty()) {
        ADD_FAILURE() << "unexpected message box: \"" << request.text << "\"";
        throw unexpected_prompt("unexpected message box: " + request.text);
    }
    auto next = expected_.front();
    expected_.pop_front();
    if (next.text != request.text || next.type != request.type) {
        ADD_FAILURE() << "message box differs\n  expected: \"" << next.text << "\" type 0x" << std::hex << next.type
                      << "\n  shown:    \"" << request.text << "\" type 0x" << request.type;
        throw unexpected_prompt("different message box: " + request.text);
    }
    return next.answer;
}

}

#pragma once

#include "platform/prompts/message_box.h"

#include <deque>
#include <stdexcept>
#include <string>

namespace platform::testing {

class unexpected_prompt : public std::logic_error {
public:
    using std::logic_error::logic_error;
};

// A prompt that answers only the message boxes a test expects, in order. An unexpected or
// different box records a test failure and throws; expectations left over at the end
// fail the test.
class scripted_prompt final : public prompts::prompt {
public:
    ~scripted_prompt() override;

    void expect(std::string text, unsigned type, int answer);
    std::size_t pending() const { return expected_.size(); }

    using prompts::prompt::message_box;
    int message_box(const prompts::message_box_request& request) override;

private:
    struct expectation {
        std::string text;
        unsigned type;
        int answer;
    };
    std::deque<expectation> expected_;
};

}

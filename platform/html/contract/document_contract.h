#pragma once

// The behaviour every HTML document implementation shows, as one parameterised suite.
// An implementation's tests instantiate `DocumentContract` with a factory:
//
//   INSTANTIATE_TEST_SUITE_P(headless, DocumentContract, testing::Values(named_factory {...}));

#include "platform/html/document.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace platform::html::contract {

using document_factory = std::function<std::unique_ptr<document>(document_host&, ui_queue&)>;

struct named_factory {
    std::string name;
    document_factory make;
};

inline void PrintTo(const named_factory& factory, std::ostream* out) { *out << factory.name; }

// A host that writes down what it hears and cancels the events it is told to.
class recording_host : public document_host {
public:
    void on_activated(command_target&) override { ++activations; }
    void on_ready_state(int state) override
    {
        states.push_back(state);
        seen_while_notified.push_back(doc ? doc->ready_state() : -1);
    }
    void on_load_failed(hresult why) override { failures.push_back(why); }
    void on_event(event& e) override
    {
        events.push_back(e.dispid);
        for (int d : cancel)
            if (d == e.dispid)
                e.return_value = value(std::int16_t {0});
    }
    bool translate_accelerator(int, bool, bool, bool) override { return false; }
    bool show_context_menu(point at) override
    {
        menus.push_back(at);
        return true;
    }
    bool user_mode() const override { return false; }
    std::int32_t download_control() const override { return 0x0F80; }

    document* doc = nullptr;
    int activations = 0;
    std::vector<int> states;
    std::vector<int> seen_while_notified;
    std::vector<hresult> failures;
    std::vector<int> events;
    std::vector<int> cancel;
    std::vector<point> menus;
};

class DocumentContract : public ::testing::TestWithParam<named_factory> {
public:
    void SetUp() override;
    // Loads a page and lets its ready states arrive.
    void load(std::string_view html);
    std::string body_html() const;
    element_ptr by_id(std::string_view id) const;
    // A caret or range by the text around it: "[" and "]" mark the range inside the
    // body's markup given to `load_marked` (the marks are taken out first).
    void select_text(std::string_view before, std::string_view selected);
    hresult exec(command id, const value* in = nullptr);
    std::uint32_t status(command id);

    manual_ui_queue queue;
    recording_host host;
    std::unique_ptr<document> doc;
};

}

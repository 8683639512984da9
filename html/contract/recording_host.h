#pragma once

#include "html/document.h"

#include <vector>

namespace html::contract {

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

}

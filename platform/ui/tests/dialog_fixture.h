#pragma once

#include "platform/testing/test_services.h"
#include "platform/ui/dialog.h"
#include "platform/ui/testing/scripted_host.h"

#include <string>
#include <vector>

namespace platform::ui::testing {

// The dialog templates of the dialog-layer tests.
inline const DialogTemplates& test_templates()
{
    static const DialogTemplates loaded = DialogTemplates::load(std::string(UI_TEST_DATA) + "/dialogs.txt");
    return loaded;
}

// A scripted host whose dialog-layer trace lines are kept in `traced`.
struct host_fixture {
    platform::testing::test_services services;
    ScriptedHost host {services.services.strings};
    std::vector<std::string> traced;
    host_fixture()
    {
        set_ui_trace([this](const std::string& line) { traced.push_back(line); });
    }
    ~host_fixture() { set_ui_trace(nullptr); }
};

}

#pragma once

#include "platform/ui/dialog.h"

#include <string>

namespace broadcast {

// "Specify Remote List name": the name of a distribution list kept at the service.
class CRemoteListNamePrompt : public platform::ui::Dialog {
public:
    static constexpr int template_id = 186;

    CRemoteListNamePrompt(const platform::ui::DialogTemplates& dialogs, platform::ui::UiHost& host);

    bool OnInitDialog() override;
    void DoDataExchange(platform::ui::DataExchange& exchange) override;
    void OnCommand(int control, int code) override;
    int help_context() const override { return 291; }

    std::string list_name; // as typed
};

}

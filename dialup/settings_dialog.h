#pragma once

#include "platform/ras/dialup_networking.h"
#include "platform/registry/registry.h"
#include "platform/strings/string_table.h"
#include "platform/ui/dialog.h"
#include "platform/ui/messages.h"

#include <string>

namespace dunvell {

// "Dial-Up Networking Settings": the phonebook entry of the current configuration, its
// logon data and the disconnection rule, in settings mode or (OK reading "Connect") in
// dialling mode. OK stores the logon data, then the three values in one change; when
// either fails the user is told why and the dialog stays open.
class DialupSettingsDialog final : public platform::ui::Dialog {
public:
    enum : int {
        IDC_ENTRIES = 1001,
        IDC_ADD = 1002,
        IDC_PROPERTIES = 1003,
        IDC_USER = 1004,
        IDC_PASSWORD = 1005,
        IDC_DOMAIN = 1006,
        IDC_NEVER = 1007,
        IDC_UNLESS_IN_USE = 1008,
        IDC_WHEN_IDLE = 1009,
        IDC_DELAY = 208,
        IDC_DELAY_SPIN = 207,
    };

    // `strings` are the library's own (error texts); `mode` settings_mode or dialling_mode.
    DialupSettingsDialog(const platform::ui::DialogTemplate& dialog_template, platform::ui::UiHost& host,
        platform::registry::store& registry, std::string settings_key, platform::ras::dialup_networking& ras,
        const platform::strings::string_table& strings, int mode);

    bool OnInitDialog() override;
    void OnOK() override;
    void OnCommand(int control, int code) override;

    // 1 after OK, 0 after Cancel.
    int run() { return DoModal() == platform::ui::IDOK ? 1 : 0; }

private:
    void fill_entries();
    void update_enabling();
    void load_logon_data();
    void show_error(long error);
    std::string error_text(long error) const;

    platform::registry::store& registry_;
    std::string settings_key_;
    platform::ras::dialup_networking& ras_;
    const platform::strings::string_table& strings_;
    int mode_;
};

}

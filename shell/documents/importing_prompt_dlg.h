#pragma once

#include "platform/ui/dialog.h"

#include <string>

namespace shell {

// Asks what to do with a page file this program never saved: import it as a new message
// ("&Yes", 6), leave it ("&No", 7) or send it as it is ("&Send", 8, offered only when a
// job can be sent).
class CImportingPromptDlg final : public platform::ui::Dialog {
public:
    static constexpr int IDD = 265;
    static constexpr int IDC_ICON = 1095;
    static constexpr int IDC_PROMPT = 34014;
    static constexpr int IDC_SEND = 8;

    CImportingPromptDlg(const platform::ui::DialogTemplate& dialog_template, platform::ui::UiHost& host,
        std::string caption, std::string prompt, bool can_send);
    bool OnInitDialog() override;
    void OnCommand(int control, int code) override;

private:
    std::string caption_;
    std::string prompt_;
    bool can_send_;
};

}
